// The editor's program body.
#include <string>
#include <vector>

#include "diagnostics/crashreport.h"
#include "diagnostics/qt/crashmessage.h"
#include "diagnostics/qt/reportingapplication.h"
#include "platform/runfiles.h"
#include "platform/startuptrace.h"
#include "shell/desktoplook.h"
#include "shell/endsteps.h"
#include "shell/instancelock.h"
#include "shell/main.h"
#include "shell/termination.h"
#include "shell/utils.h"

int main(int argc, char** argv) {
  quillon::StartupStep("main");
  // A fault anywhere leaves a report for the next start and tells the user where it can.
  quillon::TCrashHandlerOptions crashOptions;
  crashOptions.tellUser = &quillon::ShowCrashMessage;
  quillon::InstallCrashHandler(crashOptions);
  // Held for the program's life; it only tells, never refuses a second start.
  quillon::TInstanceLock instanceLock;
  quillon::StartupStep("crash handler, instance lock");
  quillon::TReportingApplication app(argc, argv);
  quillon::StartupStep("application");
  QApplication::setApplicationName(quillon::kApplicationTitle);
  QApplication::setOrganizationName(quillon::kOrganisation);
  // Ties the windows to the installed desktop entry (its icon and name, the Wayland app id).
  QApplication::setDesktopFileName("org.quillon.Quillon");
  // Light or dark as the desktop prefers; owned by the application.
  new quillon::TDesktopLook(&app);

  const QStringList all = QApplication::arguments();
  std::vector<std::string> arguments;
  for (qsizetype i = 1; i < all.size(); ++i) arguments.push_back(all[i].toStdString());

  int status = 0;
  {
    quillon::Tmainform mainform(arguments);
    app.SetExceptionHandler([&mainform] { mainform.AppException(); });
    quillon::TSystemEnd systemEnd(quillon::EditorEndSteps(mainform), &mainform);
    mainform.show();
    quillon::StartupStep("shown");
    status = QApplication::exec();
  }
  // The window's document is closed now; whatever else this run made goes too.
  quillon::ReleaseRunFiles();
  return status;
}
