// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QString>

class QMessageBox;
class QWidget;

namespace varnel {

// The version of this build ("0.1.0"), the project's version in CMake.
QString applicationVersion();

// The About box's one line of credit.
QString aboutCredit();

// The About box: the application's name, its version and a one-line credit, with the
// application's icon. Not yet shown; not modal.
QMessageBox* makeAboutBox(QWidget* parent = nullptr);

} // namespace varnel
