#pragma once

#include <QObject>
#include <cstdint>
#include <optional>
#include <utility>

class QAction;
class QMainWindow;

namespace quillon {

class TFrameLines;
class TWaveView;

// The frame view of a document from an MP3: the source's frame boundaries on the wave view at
// deep zoom, and Edit > Snap to MP3 Frames, which puts the edges of each selection made with the
// mouse or the keys on the nearest boundary, so that an edit there copies every other frame. The
// choice is kept in the settings record.
class TFrameSnapControl : public QObject {
  Q_OBJECT

 public:
  // Adds the lines to wave and the entry to window's Edit menu.
  TFrameSnapControl(QMainWindow* window, TWaveView* wave);

  QAction* Action() const { return action_; }
  TFrameLines* Lines() const { return lines_; }

 private:
  // After the view has told everyone of the selection: the snapped one is told again.
  void Snap(uint32_t start, uint32_t stop, bool selected);

  TWaveView* wave_;
  TFrameLines* lines_;
  QAction* action_;
  // The selection as last snapped, whose edges a step of the keys moves on from; none once the
  // selection is gone.
  std::optional<std::pair<uint64_t, uint64_t>> snapped_;
};

}  // namespace quillon
