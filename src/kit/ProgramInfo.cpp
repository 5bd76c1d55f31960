// SPDX-License-Identifier: GPL-3.0-or-later
#include "kit/ProgramInfo.h"

// Given by CMakeLists.txt to this file only, so that a new version compiles one file.
#ifndef NIBLO_VERSION
#error "NIBLO_VERSION, NIBLO_ID, NIBLO_HOMEPAGE, NIBLO_CONTACT and NIBLO_NOTICE come from CMakeLists.txt"
#endif

QString ProgramVersion() {
    return QStringLiteral(NIBLO_VERSION);
}

QString ProgramId() {
    return QStringLiteral(NIBLO_ID);
}

QString ProgramHomepage() {
    return QStringLiteral(NIBLO_HOMEPAGE);
}

QString ProgramLicence() {
    return QStringLiteral("GPL-3.0-or-later");
}

QString ProgramLicenceName() {
    return QStringLiteral("GNU General Public License, version 3 or later");
}

QString ProgramLicenceUrl() {
    return QStringLiteral("https://www.gnu.org/licenses/gpl-3.0.html");
}

QString ProgramContact() {
    return QString::fromUtf8(NIBLO_CONTACT);
}

QString ProgramNotice() {
    return QString::fromUtf8(NIBLO_NOTICE);
}
