// The editor's program body.
#include <QApplication>
#include <string>
#include <vector>

#include "shell/instancelock.h"
#include "shell/main.h"
#include "shell/termination.h"
#include "shell/utils.h"

int main(int argc, char** argv) {
  // Held for the program's life; it only tells, never refuses a second start.
  quillon::TInstanceLock instanceLock;
  QApplication app(argc, argv);
  QApplication::setApplicationName(quillon::kApplicationTitle);
  QApplication::setOrganizationName(quillon::kOrganisation);

  const QStringList all = QApplication::arguments();
  std::vector<std::string> arguments;
  for (qsizetype i = 1; i < all.size(); ++i) arguments.push_back(all[i].toStdString());

  quillon::Tmainform mainform(arguments);
  CloseOnTerminationSignals(&mainform);
  mainform.show();
  return QApplication::exec();
}
