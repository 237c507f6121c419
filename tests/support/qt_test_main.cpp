// The entry point of every test executable that needs a Qt application: widgets and the
// clipboard run offscreen, with no display, and the view's player on a silent sound device.
// The user's data folder is a fresh one, so that no journal of a real run is ever offered.
#include <gtest/gtest.h>

#include <QApplication>
#include <QTemporaryDir>

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  if (!qEnvironmentVariableIsSet("SDL_AUDIODRIVER")) qputenv("SDL_AUDIODRIVER", "dummy");
  QTemporaryDir data;
  qputenv("XDG_DATA_HOME", data.path().toUtf8());
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
