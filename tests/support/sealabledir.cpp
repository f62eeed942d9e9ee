// SPDX-License-Identifier: GPL-3.0-or-later
#include "sealabledir.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStorageInfo>

#include <unistd.h>

static bool run(const QString &program, const QStringList &args)
{
    QProcess process;
    process.start(program, args);
    return process.waitForFinished(10000) && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

SealableDir::SealableDir(const QString &path, const QString &size) : m_path(path)
{
    QDir().mkpath(path);
    m_tmpfs = ::geteuid() == 0 && run("mount", {"-t", "tmpfs", "-o", "size=" + size, "tmpfs", path});
}

SealableDir::~SealableDir()
{
    m_tmpfs ? run("umount", {"-l", m_path}) : unseal();
}

const char *SealableDir::cannotSeal() const
{
    return ::geteuid() == 0 && !m_tmpfs ? "running as root, and mounting a tmpfs is not permitted here" : nullptr;
}

const char *SealableDir::cannotFill() const
{
    return m_tmpfs ? nullptr : "needs root, allowed to mount, for a small tmpfs that can be filled";
}

bool SealableDir::seal()
{
    return m_tmpfs ? run("mount", {"-o", "remount,ro", m_path}) : QFile::setPermissions(m_path, QFile::ReadOwner | QFile::ExeOwner);
}

bool SealableDir::unseal()
{
    return m_tmpfs ? run("mount", {"-o", "remount,rw", m_path})
                   : QFile::setPermissions(m_path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

bool SealableDir::fill()
{
    QFile filler(QDir(m_path).filePath("filler"));
    if (!m_tmpfs || !filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return false;
    const QByteArray block(4096, 'f');
    while (filler.write(block) == block.size()) {
    }
    return QStorageInfo(m_path).bytesAvailable() == 0;
}

bool SealableDir::freeSpace()
{
    return QFile::remove(QDir(m_path).filePath("filler"));
}
