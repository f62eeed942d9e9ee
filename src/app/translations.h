// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

class QCoreApplication;

// Makes Qt's own texts (the standard buttons, the print, preview and file dialogs) Russian, as the
// rest of the program is, from the Russian translations installed with Qt. False when they are not
// installed: those texts then stay in English.
bool installQtTranslations(QCoreApplication &app);
