// The yardstick for the editor's start-up: a bare Qt Widgets main window with the editor's menu
// bar (the same titles, as many items, separators and submenus) and a tool bar of 22 buttons,
// at the editor's designed size. Exits after its first paint as startup_bench does and prints
// the milliseconds spent in main.
#include <QApplication>
#include <QMainWindow>
#include <QMenuBar>
#include <QStyle>
#include <QTest>
#include <QToolBar>
#include <chrono>
#include <cstdio>

namespace {

// Items per menu as the editor has them; 0 is a separator, -n a submenu of n items.
struct TMenuShape {
  const char* title;
  std::initializer_list<int> items;
};

const TMenuShape kMenus[] = {
    {"&File", {1, 1, 1, 1, 1, 0, -8, 0, 1, 0, 1, 0, 1}},
    {"&View", {1, 1, 1, 1, 0, -2}},
    {"&Edit", {1, 1, 0, 1, 1, 1, 1, 0, 1, 1}},
    {"&Operations", {1, 1, 1, 0, 1, 1, 1, 1, 1, 1, 1, 1}},
    {"&Tools", {1, 1, 1, 1, 1, 1, 1, 1}},
    {"&Help", {1, 1, 0, 1}},
};

// The tool bar's groups of buttons, separated as the editor's: 22 buttons in all.
constexpr int kToolGroups[] = {2, 4, 2, 4, 2, 8, 1};

void AddMenus(QMainWindow& window) {
  int number = 0;
  for (const TMenuShape& shape : kMenus) {
    QMenu* menu = window.menuBar()->addMenu(shape.title);
    for (int item : shape.items) {
      if (item == 0) {
        menu->addSeparator();
      } else if (item < 0) {
        QMenu* sub = menu->addMenu(QStringLiteral("Submenu %1").arg(++number));
        for (int i = 0; i < -item; ++i) sub->addAction(QStringLiteral("Item %1").arg(++number));
      } else {
        menu->addAction(QStringLiteral("Item %1").arg(++number));
      }
    }
  }
}

void AddToolBar(QMainWindow& window) {
  QToolBar* bar = window.addToolBar("Operations");
  bar->setIconSize(QSize(16, 16));
  bar->setMovable(false);
  const QIcon icon = window.style()->standardIcon(QStyle::SP_FileIcon);
  int number = 0;
  for (int group : kToolGroups) {
    if (number > 0) bar->addSeparator();
    for (int i = 0; i < group; ++i) bar->addAction(icon, QStringLiteral("Button %1").arg(++number));
  }
}

}  // namespace

int main(int argc, char** argv) {
  const auto started = std::chrono::steady_clock::now();
  QApplication app(argc, argv);
  QMainWindow window;
  window.setWindowTitle("Bare window");
  AddMenus(window);
  AddToolBar(window);
  window.resize(832, 555);
  window.show();
  if (!QTest::qWaitForWindowExposed(&window, 5000)) {
    std::fprintf(stderr, "the window was not shown\n");
    return 1;
  }
  QApplication::processEvents();
  const std::chrono::duration<double, std::milli> elapsed =
      std::chrono::steady_clock::now() - started;
  std::printf("%.1f\n", elapsed.count());
  // The line marks the painted window for a script timing the whole process.
  std::fflush(stdout);
  return 0;
}
