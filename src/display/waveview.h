#pragma once

#include <QImage>
#include <QPainter>
#include <QRegion>
#include <QWidget>
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "display/dragfiles.h"
#include "display/wavecolumns.h"
#include "display/waveplot.h"
#include "document/markerpicks.h"
#include "document/markers.h"
#include "platform/clipfilewriter.h"
#include "platform/subscription.h"
#include "platform/threadsafety.h"

class QMimeData;
class QScrollBar;

namespace quillon {

class Twavefile;
class TWaveView;
class TPlayer;
class TFrameSource;

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

// The window's scroll bar runs over the document's frames with one page as the thumb; the
// thumb may start up to one frame past the last whole page. Sets all of it without signals.
void SetScrollState(QScrollBar* scrollBar, uint32_t length, uint32_t page, uint32_t position);
// The document length the scroll bar was last set to.
uint32_t ScrollLength(const QScrollBar* scrollBar);
inline constexpr const char* kScrollLengthProperty = "quillonFrames";

// The waveform of the open document: a time scale along the top, an amplitude scale down the
// right, one lane per channel, the selection as a negative and the cursor. Everything is drawn
// into an off-screen frame that paintEvent only copies, so repaints never flicker and a moving
// cursor costs one copy of the cursorless frame.
class TWaveView : public QWidget {
  Q_OBJECT

 public:
  explicit TWaveView(QWidget* parent = nullptr);
  ~TWaveView() override;

  // Shows document, which stays the caller's, from its first to its last frame with the cursor
  // and the selection reset.
  void AttachDocument(Twavefile* document);
  Twavefile* Document() const { return document_; }

  // The document installed a new state (an edit, effect, undo, redo or recovery): the cursor,
  // the selection and the view are brought inside its length, and OnCursor and OnSelect tell
  // the window.
  void FollowDocument();
  // Shows frames start to start + length.
  void SetView(uint32_t start, uint32_t length);
  // Moves the cursor without a full redraw (also the play cursor's path) and raises OnCursor.
  void SetCursorPos(uint32_t position);
  // Either order; both ends are held to 0 <= start <= stop <= FrameCount.
  void SetSelection(uint32_t start, uint32_t stop, bool selected);
  void SetSelectionMs(uint32_t startMs, uint32_t stopMs, bool selected);

  // The window's horizontal scroll bar, which the view keeps in step with what it shows.
  void SetScrollBar(QScrollBar* scrollBar);
  QScrollBar* ScrollBar() const { return scrollBar_; }
  // Zooms by 1.5 around the cursor, or out to the whole document.
  void ZoomFull();
  void ZoomIn();
  void ZoomOut();
  // Shows exactly the selected frames; nothing without a selection.
  void ZoomToSelection();
  // Zooms in or out by 1.5 so that the frame at pixel x of the wave area stays at x.
  void ZoomAt(int32_t x, bool in);
  // Scrolls the view, when frame is outside it, a page on, or back so that frame ends it.
  void ShowFrame(uint32_t frame);
  // A sideways wheel turned by delta (eighths of a degree, positive to the left): the view moves
  // a tenth of its width per notch, towards the start for positive deltas, at least one frame.
  void ScrollByWheel(int delta);
  // The scroll bar moved: show from its position.
  void ScrollChanged();

  // Plays the selection to its last frame, or from the cursor to the end; stops playing. While
  // the device OpenPlayerAside started is still opening, the play starts once it is open, from
  // what is selected then; StopPlay cancels that.
  void StartPlay();
  // Plays frames of source (a preview, a loop, the parts either side of a cut), the play
  // cursor where source says each came from; false when nothing plays (no device, a busy
  // document). A device still opening plays nothing: a command given again finds it open.
  bool StartPlaySource(std::shared_ptr<TFrameSource> source, int64_t frames);
  void StopPlay();
  bool Playing() const;
  // Without a sound device there is no player, and playback does nothing. The view takes its
  // player on first need (PreparePlayer's, waiting for the device if it is still opening, or one
  // made now), so that opening the device never holds up the window's first paint.
  bool HasPlayer();
  TPlayer* Player() const { return player_.get(); }
  // Starts opening the sound device on a thread of its own unless the view has its player.
  void OpenPlayerAside();
  // The device OpenPlayerAside started is still opening.
  bool PlayerOpening() const;
  // Kept for a player taken later.
  void SetVolume(int32_t hundredthsDb);
  // The levels of what just played, one per channel; false without a player.
  bool ReadLevels(std::array<int16_t, 8>& values) const;

  // May the document be closed now: stops playback and asks about unsaved changes. Yes starts
  // a save, sets CloseAfterSave and answers false; the caller goes on after that save.
  bool QueryClose();
  bool CloseAfterSave() const { return closeAfterSave_; }
  void ClearCloseAfterSave() { closeAfterSave_ = false; }

  // Starts the save that the close query's Yes asks for; true when it started. Unset, the
  // document saves under its own name. A question with one answer, set by the window that owns
  // the view and deletes it before itself.
  std::function<bool()> OnSaveRequest;
  // Time scale in milliseconds (true) or frames (false).
  void SetShowMs(bool showMs);

  // The full redraw.
  void Repaint();
  // While hidden, a view drawn when shown only notes that its frame needs drawing; its window
  // draws nothing that its layout would throw away. Off, the frame is always current.
  void SetDrawWhenShown(bool whenShown);
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

  bool Selecting() const { return selecting_; }

  // A press inside the selection with Ctrl held that moves by the drag distance drags the
  // selection out to other programs as a WAV file; released sooner, it is a plain click. The file
  // is written off the main thread, and the drag starts once it is complete: its data names the
  // file and reads the WAV bytes from it when a target asks. Nothing (the user told why) when the
  // file cannot be written.
  void DragSelectionOut();
  // Runs the drag of that data; unset, a QDrag does. A seam for tests, which outlive the view.
  std::function<void(std::unique_ptr<QMimeData>)> DragRunner;
  const TDragFiles& DragFiles() const { return dragFiles_; }

  // Markers and regions (wavemarks.cpp). The document's markers changed without an operation:
  // only the bands of what was added, moved or removed are drawn again.
  void MarksChanged();
  // Moves the cursor to position, and the view to the cursor when it lies outside it.
  void ShowCursorPos(uint32_t position);
  // A marker was dragged to frame with the mouse; unset, the drag shows and is dropped.
  std::function<void(const TMarkItem& item, int64_t frame)> OnMarkerDragged;
  bool DraggingMark() const { return markDrag_.has_value(); }
  // How many frames were drawn whole, and the part the last change of the marks drew again.
  uint64_t FullDraws() const { return fullDraws_; }
  const QRegion& LastMarkBands() const { return lastMarkBands_; }

  // Conversions in single precision, rounded to nearest.
  uint32_t SamplesToMs(uint32_t frames) const;
  uint32_t MsToSamples(uint32_t ms) const;

 signals:
  // The selection changed: frames and the same positions in milliseconds.
  void SelectionChanged(uint32_t start, uint32_t stop, uint32_t startms, uint32_t stopms,
                        bool selected);
  // The cursor moved: in frames and in milliseconds.
  void CursorMoved(uint32_t position, uint32_t positionMs);
  // Playback started (true) or stopped (false).
  void PlayStatusChanged(bool playing);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  void ReleasePlayer();
  void TakePlayer();
  void PlayWhenOpen();
  void DoPlayProcess(int64_t frame);
  void DoPlayStatus(bool action);
  // Flips the wave area's pixels in columns x1 to x2 - 1 of the presented frame.
  void InvertColumns(int64_t x1, int64_t x2);
  // The same in image (the presented or the clean frame).
  void InvertColumnsOf(QImage& image, int64_t x1, int64_t x2) const;
  // Marks: what is shown (the document's, or a drag's preview), their x, the bands they cover,
  // drawing them cut to a band, and the mouse on a marker's label.
  TSharedMarkers ShownMarks() const;
  int64_t MarkX(int64_t frame) const;
  std::vector<TMarkItem> VisibleItems(const TMarkerList& list) const;
  QRect ItemBand(const TMarkItem& item) const;
  void DrawMarks(QImage& image, const QRect& clip);
  void RedrawMarkBands(const QRegion& bands);
  void ShowMarks(TSharedMarkers shown);
  bool PressMark(const QMouseEvent* event);
  void DragMark(const QMouseEvent* event);
  void DropMark(const QMouseEvent* event);
  // Shift and a cursor key: the selection runs from where the cursor was, or from the far end
  // of the selection it stood on, to where it is.
  void ExtendFrom(uint32_t before);
  void StartSelect(int32_t x);
  // Shift and a press: the selection runs from the cursor, or from the end of the selection
  // farther from x, to the frame at x, and a drag goes on moving that end.
  void ExtendSelect(int32_t x);
  void DragSelect(int32_t x);
  void EndSelect(int32_t x);
  bool InsideSelection(int32_t x) const;
  bool FarEnoughToDrag(const QMouseEvent* event) const;
  void DragFile(const std::string& file);
  // The frame under x of the wave area, held to the document.
  uint32_t FrameAt(int32_t x) const;
  // Mouse x held to the wave area's right edge.
  int32_t AreaX(const QMouseEvent* event) const;
  int32_t AreaWidth() const { return width() - RightMargin; }
  uint32_t FrameCount() const;
  void RaiseCursor();
  void RaiseSelect(bool selected);
  // Page size, position and the arrow and page steps of the scroll bar from the view.
  void UpdateScrollBar(bool fullZoom = false);
  void CentreOnCursor();
  void PageStep(int action);

  void ClampView();
  // Draws the whole frame anew and presents it.
  void DrawFrame() QUILLON_REQUIRES(mainThreadRole);
  void DrawAmplitudeScale(QPainter& painter, int channels);
  void DrawMsScale(QPainter& painter);
  void DrawFrameScale(QPainter& painter);
  // One major tick of either time scale, with its nine minor ticks, grid line and label.
  void DrawMajorTick(QPainter& painter, int64_t x, int64_t pixelStep, const QString& label,
                     bool gridBeforeLabel);
  // How the lanes' wave maps onto the frame's device pixels.
  struct TWaveLanes {
    uint32_t stride = 0;
    int count = 0;
    int columns = 0;
    double framesPerColumn = 0;
    double valuePerRow = 1;
    qreal ratio = 1;
    std::array<int, 8> centre{};
    // The row of value in lane.
    int Row(int lane, double value) const;
  };
  TWaveLanes WaveLanes() const;
  void DrawWave() QUILLON_REQUIRES(mainThreadRole);
  // Columns of extremes from columnPeaks_, and single frames joined by lines.
  void PlotColumns(const TWaveLanes& lanes);
  void DrawFrames(const TWaveLanes& lanes) QUILLON_REQUIRES(mainThreadRole);
  void DrawSelection();
  // The selection's columns in the wave area; none when it is not in view.
  std::optional<std::pair<int64_t, int64_t>> SelectionSpan() const;
  void DrawCursor();
  bool DocumentLoaded() const;
  void Present();
  // Hands only the changed part of the frame to the screen.
  void Present(const QRegion& changed);
  // The columns the cursor at x covers, the whole height of the view.
  QRect CursorBand(int32_t x) const;
  // Copies band from the clean frame into the presented one.
  void RestoreClean(const QRect& band);

  std::array<int32_t, 8> laneCentre_{};
  // Kept between redraws, so that a redraw allocates nothing.
  std::vector<TColumnPeak> columnPeaks_;
  std::vector<int16_t> sampleBuffer_;
  TWavePlotter plotter_;
  QImage frame_;
  QImage cleanFrame_;
  double framesPerPixel_ = 0;
  int32_t lastCursorX_ = 0;
  int32_t cursorX_ = 0;
  // Where the presented frame holds the cursor, when it holds one.
  bool cursorDrawn_ = false;
  int32_t drawnCursorX_ = 0;
  // The presented frame holds columns inverted since the clean frame was made.
  bool presentedOnly_ = false;
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
  QScrollBar* scrollBar_ = nullptr;
  int32_t largeStep_ = 0;
  uint32_t anchor_ = 0;
  int32_t pressX_ = 0;
  bool selecting_ = false;
  // The press extended the selection: releasing it where it was keeps the selection.
  bool extending_ = false;
  bool mouseIsDown_ = false;
  // A press inside the selection waits to see whether it becomes a drag.
  bool dragPending_ = false;
  QPoint dragFrom_;
  int32_t dragFromX_ = 0;
  TDragFiles dragFiles_;
  // After dragFiles_, so that it goes first: a file it has not handed over goes with it.
  TClipFileWriter dragWriter_;
  bool replayAfterDrag_ = false;
  bool closeAfterSave_ = false;
  uint32_t playStart_ = 0;
  // What plays when it is not a range of the document.
  std::shared_ptr<TFrameSource> playSource_;
  std::unique_ptr<TPlayer> player_;
  bool playerTaken_ = false;
  // Held while a play waits for the device to open.
  TSubscription playWhenOpen_;
  // The frame without marks and selection, for drawing a band of marks again.
  QImage baseFrame_;
  TSharedMarkers drawnMarks_ = NoMarkers();
  std::optional<TMarkItem> markDrag_;
  TSharedMarkers dragPreview_;
  int64_t dragFrame_ = 0;
  uint64_t fullDraws_ = 0;
  QRegion lastMarkBands_;
  bool drawWhenShown_ = false;
  bool stale_ = false;
  int32_t volume_ = 0;
};

}  // namespace quillon
