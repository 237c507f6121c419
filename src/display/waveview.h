#pragma once

#include <QImage>
#include <QPainter>
#include <QWidget>
#include <array>
#include <cstdint>

namespace quillon {

class Twavefile;

// The waveform view's colours, shared by every view, as 0x00BBGGRR values like the settings
// record keeps them. The main window copies them from the settings; a change shows at the next
// full redraw.
extern uint32_t ViewBackColor;
extern uint32_t ViewScaleColor;
extern uint32_t ViewWaveColor;

// Height of the time scale band and width of the amplitude scale band in pixels, scaled from
// 20 and 30 at 96 dots per inch by every view's constructor.
extern int32_t TopMargin;
extern int32_t RightMargin;

// The waveform of the open document: a time scale along the top, an amplitude scale down the
// right, one lane per channel, the selection as a negative and the cursor. Everything is drawn
// into an off-screen frame that paintEvent only copies, so repaints never flicker and a moving
// cursor costs one copy of the cursorless frame.
class TWaveView : public QWidget {
  Q_OBJECT

 public:
  explicit TWaveView(QWidget* parent = nullptr);

  // Shows document, which stays the caller's, from its first to its last frame with the cursor
  // and the selection reset.
  void AttachDocument(Twavefile* document);
  Twavefile* Document() const { return document_; }

  // Shows frames start to start + length.
  void SetView(uint32_t start, uint32_t length);
  // Moves the cursor without a full redraw (also the play cursor's path).
  void SetCursorPos(uint32_t position);
  // Accepts start > stop; stop is held to the document's length.
  void SetSelection(uint32_t start, uint32_t stop, bool selected);
  // Time scale in milliseconds (true) or frames (false).
  void SetShowMs(bool showMs);

  // The full redraw.
  void Repaint();
  // Redraws only the cursor after CursorPos changed; nothing while it stays in its pixel column.
  void UpdateCursor();

  uint32_t ViewStart() const { return viewStart_; }
  uint32_t ViewStop() const { return viewStop_; }
  uint32_t ViewLength() const { return viewLength_; }
  uint32_t CursorPos() const { return cursorPos_; }
  uint32_t CursorMs() const { return cursorMs_; }
  uint32_t SelStart() const { return selStart_; }
  uint32_t SelStop() const { return selStop_; }
  bool Selected() const { return selected_; }
  bool ShowMs() const { return showMs_; }
  double FramesPerPixel() const { return framesPerPixel_; }
  int32_t CursorX() const { return cursorX_; }
  int32_t LaneCentre(int lane) const { return laneCentre_.at(lane); }

  // The presented frame (with the cursor) and the same without the cursor.
  const QImage& Frame() const { return frame_; }
  const QImage& CleanFrame() const { return cleanFrame_; }
  // How many times the frame was handed to the screen: by full redraws and cursor moves.
  uint64_t Presentations() const { return presentations_; }

  uint32_t SamplesToMs(uint32_t frames) const;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  void ClampView();
  void DrawAmplitudeScale(QPainter& painter, int channels);
  void DrawMsScale(QPainter& painter);
  void DrawFrameScale(QPainter& painter);
  // One major tick of either time scale, with its nine minor ticks, grid line and label.
  void DrawMajorTick(QPainter& painter, int64_t x, int64_t pixelStep, const QString& label,
                     bool gridBeforeLabel);
  void DrawWave(QPainter& painter, int channels);
  void DrawSelection();
  void DrawCursor();
  bool DocumentLoaded() const;
  void Present();

  std::array<int32_t, 8> laneCentre_{};
  QImage frame_;
  QImage cleanFrame_;
  double framesPerPixel_ = 0;
  int32_t lastCursorX_ = 0;
  int32_t cursorX_ = 0;
  int32_t w_ = 0;
  int32_t h_ = 0;
  bool selected_ = false;
  Twavefile* document_ = nullptr;
  bool showMs_ = true;
  uint32_t viewLength_ = 0;
  uint32_t viewStart_ = 0;
  uint32_t viewStop_ = 0;
  uint32_t cursorPos_ = 0;
  uint32_t cursorMs_ = 0;
  uint32_t selStart_ = 0;
  uint32_t selStop_ = 0;
  uint64_t presentations_ = 0;
};

}  // namespace quillon
