#pragma once
// Starting the person's Internet programs: the chosen browser, e-mail, Telnet, news, FTP and the
// help reader, on command, at start-up, and when a browser command finds no browser. Programs are
// started and left alone. Browser paths are command lines (split as a shell would, run without
// one); the other paths name the program alone.

#include <QString>
#include <QStringList>

class CMainFrame;

namespace launcher {

/// What starts a program (the program and its arguments; true when it started). Tests install one
/// that records the starts; nullptr goes back to QProcess::startDetached. Returns the previous one.
using Starter = bool (*)(const QString& program, const QStringList& arguments);
Starter setStarter(Starter starter);

/// Starts a command line without a shell ("/usr/bin/chromium --new-window"); false when empty or
/// the program cannot be started.
bool startCommandLine(const QString& commandLine);
/// Starts a program by its path or name alone; false when empty or it cannot be started.
bool startProgram(const QString& path);

/// Starts the browser chosen in the settings, saying so when it cannot be started (then false).
bool LaunchBrowser(CMainFrame& frame);
/// The e-mail, Telnet, news and FTP programs: a failed start says nothing.
void LaunchEmail(CMainFrame& frame);
void LaunchLogin(CMainFrame& frame);
void LaunchNews(CMainFrame& frame);
void LaunchFtp(CMainFrame& frame);
/// The help reader, with its path read from the settings each time.
void LaunchHelpReader(CMainFrame& frame);
/// The programs switched on under "Start Up Preferences": e-mail, browser, FTP, Telnet, news.
void LaunchStartUpPrograms(CMainFrame& frame);

/// The program names looked for on PATH: a Chromium-family browser (stored as the "Explorer"
/// browser) and Firefox (the "Netscape" one).
QStringList chromiumNames();
QStringList firefoxNames();
/// Looks on PATH for the two browsers and stores what it finds, empty or not, in the frame's copies
/// and the settings; says so when it finds neither.
void LookUpBrowsers(CMainFrame& frame);

}  // namespace launcher
