// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

// What the build says about the program (CMakeLists.txt): its version, identity, licence and authors. Shown
// by the about box and --version; the desktop entry, the AppStream data and the package say the same.

// "1.0.0": project(... VERSION ...).
QString ProgramVersion();
// The reverse-DNS name of the desktop entry, the icon and the AppStream data.
QString ProgramId();
// The project's web page.
QString ProgramHomepage();
// The SPDX identifier ("GPL-3.0-or-later"), its name and where its text is.
QString ProgramLicence();
QString ProgramLicenceName();
QString ProgramLicenceUrl();
// The authors' contact: a web address, or a mail address.
QString ProgramContact();
// The notice line that names the authors.
QString ProgramNotice();
