// What the about window says of the program: its version text and where its makers can be reached.
#pragma once

#include <QString>
#include <QUrl>

namespace ProgramInfo {

/// The version as the about window shows it: major.minor.revision and the build mark, "3.0.82 (110516)".
QString versionText();

/// The project's contact address for questions and feedback.
QString contactAddress();
/// The project's home page.
QString homePage();

/// The mail link of the about window: the contact address with the feedback subject.
QUrl mailUrl();
/// The web link of the about window.
QUrl homePageUrl();

} // namespace ProgramInfo
