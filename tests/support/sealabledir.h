// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

// A directory that a test can seal against writing, or fill to the last byte, and open up again.
// Permissions do not stop root (as CI runs), so as root the directory is a tmpfs of the given size
// mounted by the test, which sealing remounts read-only; otherwise sealing takes the write bit.
class SealableDir {
public:
    SealableDir(const QString &path, const QString &size);
    ~SealableDir();
    SealableDir(const SealableDir &) = delete;
    SealableDir &operator=(const SealableDir &) = delete;

    // Why the directory cannot be sealed here, or filled (only a tmpfs of its own can), or nullptr.
    const char *cannotSeal() const;
    const char *cannotFill() const;
    // Makes the directory read-only, keeping what is in it, or fills its file system until not one
    // more block fits; unseal and freeSpace undo them.
    bool seal();
    bool unseal();
    bool fill();
    bool freeSpace();

private:
    QString m_path;
    bool m_tmpfs = false;
};
