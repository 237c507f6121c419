// The waveform view's navigation: attaching a document, zooms, the scroll bar, keys, mouse
// selection and the close query.
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScrollBar>
#include <QSignalBlocker>
#include <algorithm>
#include <cmath>

#include "display/waveview.h"
#include "document/wavfile.h"
#include "localization/constants.h"
#include "platform/config.h"
#include "platform/mainthread.h"
#include "platform/messagebox.h"

namespace quillon {

namespace {

constexpr uint32_t kDeepestZoom = 50;
constexpr double kZoomFactor = 1.5;

uint32_t RoundToFrames(double value) {
  return static_cast<uint32_t>(std::nearbyint(value));
}

}  // namespace

uint32_t TWaveView::FrameCount() const {
  return document_ ? document_->FrameCount() : 0;
}

// Single precision on purpose: positions shown and typed agree with what has always been shown.
uint32_t TWaveView::SamplesToMs(uint32_t frames) const {
  const uint32_t rate = document_ ? document_->SampleRate() : 0;
  if (rate == 0) return 0;
  const float quotient = static_cast<float>(frames) / static_cast<float>(rate);
  const float ms = quotient * 1000.0f;
  return static_cast<uint32_t>(std::nearbyint(ms));
}

uint32_t TWaveView::MsToSamples(uint32_t ms) const {
  const uint32_t rate = document_ ? document_->SampleRate() : 0;
  const float seconds = static_cast<float>(ms) / 1000.0f;
  const float frames = seconds * static_cast<float>(rate);
  return static_cast<uint32_t>(std::nearbyint(frames));
}

void TWaveView::RaiseCursor() {
  emit CursorMoved(cursorPos_, cursorMs_);
}

void TWaveView::RaiseSelect(bool selected) {
  if (selected)
    emit SelectionChanged(selStart_, selStop_, SamplesToMs(selStart_), SamplesToMs(selStop_), true);
  else
    emit SelectionChanged(0, 0, 0, 0, false);
}

void TWaveView::AttachDocument(Twavefile* document) {
  QUILLON_MAIN_THREAD_ONLY();
  document_ = document;
  const uint32_t length = FrameCount();
  selected_ = false;
  viewStart_ = 0;
  viewStop_ = length;
  viewLength_ = length;
  UpdateScrollBar();
  selStart_ = selStop_ = cursorPos_ = cursorMs_ = 0;
  cursorX_ = 0;
  RaiseCursor();
  Repaint();
}

void TWaveView::FollowDocument() {
  QUILLON_MAIN_THREAD_ONLY();
  const uint32_t length = FrameCount();
  cursorPos_ = std::min(cursorPos_, length);
  cursorMs_ = SamplesToMs(cursorPos_);
  anchor_ = std::min(anchor_, length);
  selStart_ = std::min(selStart_, length);
  selStop_ = std::min(selStop_, length);
  // What is left of a selection the new state cut away is no selection.
  if (selStart_ >= selStop_) selected_ = false;
  ClampView();
  UpdateScrollBar();
  RaiseCursor();
  RaiseSelect(selected_);
  Repaint();
}

void TWaveView::SetCursorPos(uint32_t position) {
  QUILLON_MAIN_THREAD_ONLY();
  position = std::min(position, FrameCount());
  cursorPos_ = position;
  cursorMs_ = SamplesToMs(position);
  RaiseCursor();
  UpdateCursor();
}

void TWaveView::SetSelection(uint32_t start, uint32_t stop, bool selected) {
  QUILLON_MAIN_THREAD_ONLY();
  // Makes the next UpdateCursor redraw the cursor over the new frame.
  lastCursorX_ = cursorX_ - 1;
  const uint32_t length = FrameCount();
  selStart_ = std::min({start, stop, length});
  selStop_ = std::min(std::max(start, stop), length);
  selected_ = selected;
  Repaint();
}

void TWaveView::SetSelectionMs(uint32_t startMs, uint32_t stopMs, bool selected) {
  SetSelection(MsToSamples(startMs), MsToSamples(stopMs), selected);
}

// Scroll bar

void TWaveView::SetScrollBar(QScrollBar* scrollBar) {
  scrollBar_ = scrollBar;
  if (!scrollBar_) return;
  // A click beside the thumb moves by the large step rather than by a whole page.
  connect(scrollBar_, &QScrollBar::actionTriggered, this, &TWaveView::PageStep);
}

void TWaveView::PageStep(int action) {
  if (!scrollBar_) return;
  const int64_t position = scrollBar_->value();
  if (action == QAbstractSlider::SliderPageStepAdd)
    scrollBar_->setSliderPosition(
        static_cast<int>(std::min<int64_t>(position + largeStep_, scrollBar_->maximum())));
  else if (action == QAbstractSlider::SliderPageStepSub)
    scrollBar_->setSliderPosition(
        static_cast<int>(std::max<int64_t>(position - largeStep_, scrollBar_->minimum())));
}

void TWaveView::UpdateScrollBar(bool fullZoom) {
  if (!scrollBar_) return;
  const uint32_t length = FrameCount();
  const int64_t area = std::max(AreaWidth(), 1);
  int64_t small = 2 * static_cast<int64_t>(viewLength_) / area;
  if (!fullZoom) small = std::max<int64_t>(small, 1);
  // Steps beyond the document would jump past its end; they stay within the range.
  small = std::min<int64_t>(small, std::max<uint32_t>(length, 1));
  largeStep_ = static_cast<int32_t>(std::min<int64_t>(50 * small, std::max<uint32_t>(length, 1)));
  SetScrollState(scrollBar_, length, viewLength_, viewStart_);
  const QSignalBlocker quiet(scrollBar_);
  scrollBar_->setSingleStep(static_cast<int>(small));
}

void SetScrollState(QScrollBar* scrollBar, uint32_t length, uint32_t page, uint32_t position) {
  const QSignalBlocker quiet(scrollBar);
  // The range is the document; the thumb, one page of it, may start up to one frame past the
  // last whole page, as it always could.
  const int64_t last = page == 0 ? length : std::max<int64_t>(int64_t{length} - page + 1, 0);
  scrollBar->setRange(0, static_cast<int>(last));
  scrollBar->setPageStep(static_cast<int>(std::min<uint32_t>(page, INT32_MAX)));
  scrollBar->setValue(static_cast<int>(std::min<int64_t>(position, last)));
  scrollBar->setProperty(kScrollLengthProperty, length);
}

uint32_t ScrollLength(const QScrollBar* scrollBar) {
  return scrollBar->property(kScrollLengthProperty).toUInt();
}

void TWaveView::ScrollChanged() {
  if (!DocumentLoaded() || !scrollBar_) return;
  const uint32_t length = FrameCount();
  viewStart_ = static_cast<uint32_t>(std::max(scrollBar_->value(), 0));
  viewStop_ = viewStart_ + viewLength_;
  if (viewStop_ > length || viewStop_ < viewStart_) {
    viewStop_ = length;
    viewStart_ = length - std::min(viewLength_, length);
  }
  Repaint();
}

// Zooms

void TWaveView::ZoomFull() {
  if (!DocumentLoaded()) return;
  viewStart_ = 0;
  viewStop_ = viewLength_ = FrameCount();
  UpdateScrollBar(true);
  Repaint();
}

void TWaveView::CentreOnCursor() {
  const uint32_t length = FrameCount();
  const uint32_t half = viewLength_ / 2;
  if (cursorPos_ < half) {
    viewStart_ = 0;
    viewStop_ = viewLength_;
  } else if (static_cast<uint64_t>(cursorPos_) + half > length) {
    viewStart_ = length - viewLength_;
    viewStop_ = length;
  } else {
    viewStart_ = cursorPos_ - half;
    viewStop_ = viewStart_ + viewLength_;
  }
}

void TWaveView::ZoomIn() {
  if (!DocumentLoaded() || viewLength_ <= kDeepestZoom) return;
  viewLength_ = RoundToFrames(viewLength_ / kZoomFactor);
  CentreOnCursor();
  UpdateScrollBar();
  Repaint();
}

void TWaveView::ZoomOut() {
  const uint32_t length = FrameCount();
  if (!DocumentLoaded() || viewLength_ >= length) return;
  if (viewLength_ == 0) viewLength_ = 1;
  viewLength_ = std::min(RoundToFrames(viewLength_ * kZoomFactor), length);
  CentreOnCursor();
  UpdateScrollBar();
  Repaint();
}

void TWaveView::ZoomToSelection() {
  if (!DocumentLoaded() || !selected_ || selStop_ <= selStart_) return;
  viewStart_ = selStart_;
  viewStop_ = std::min(selStop_, FrameCount());
  viewLength_ = viewStop_ - viewStart_;
  UpdateScrollBar();
  Repaint();
}

void TWaveView::ScrollByWheel(int delta) {
  constexpr int64_t kNotch = 120;
  constexpr int64_t kWidthsPerNotch = 10;
  if (!DocumentLoaded() || delta == 0) return;
  const uint32_t length = FrameCount();
  int64_t frames = -int64_t{delta} * viewLength_ / (kNotch * kWidthsPerNotch);
  // A touchpad's smallest movements still move a deep zoom.
  if (frames == 0) frames = delta > 0 ? -1 : 1;
  const int64_t last = int64_t{length} - viewLength_;
  const auto start = static_cast<uint32_t>(std::clamp<int64_t>(viewStart_ + frames, 0, last));
  if (start == viewStart_) return;
  viewStart_ = start;
  viewStop_ = viewStart_ + viewLength_;
  UpdateScrollBar();
  Repaint();
}

// Keys

void TWaveView::keyPressEvent(QKeyEvent* event) {
  if (!DocumentLoaded()) {
    QWidget::keyPressEvent(event);
    return;
  }
  const uint32_t length = FrameCount();
  const uint32_t step = std::max<uint32_t>(viewLength_ / std::max(AreaWidth(), 1), 1);
  const uint32_t before = cursorPos_;
  bool moved = true;
  switch (event->key()) {
    case Qt::Key_End:
      cursorPos_ = length;
      break;
    case Qt::Key_Home:
      cursorPos_ = 0;
      break;
    case Qt::Key_Left:
      cursorPos_ = step < cursorPos_ ? cursorPos_ - step : 0;
      break;
    case Qt::Key_Right:
      if (cursorPos_ < length)
        cursorPos_ = static_cast<uint32_t>(std::min<uint64_t>(uint64_t{cursorPos_} + step, length));
      break;
    default:
      moved = false;
  }
  if (moved) {
    if (config.likepeers && (event->modifiers() & Qt::ShiftModifier)) ExtendFrom(before);
    if (config.likepeers) ShowFrame(cursorPos_);
    Repaint();
    event->accept();
  } else {
    QWidget::keyPressEvent(event);
  }
  cursorMs_ = SamplesToMs(cursorPos_);
  RaiseCursor();
}

void TWaveView::ExtendFrom(uint32_t before) {
  // The end of the selection the cursor stood on moves with it; elsewhere a new one starts there.
  uint32_t anchor = before;
  if (selected_ && before == selStart_) anchor = selStop_;
  if (selected_ && before == selStop_) anchor = selStart_;
  selStart_ = std::min(anchor, cursorPos_);
  selStop_ = std::max(anchor, cursorPos_);
  selected_ = selStart_ < selStop_;
  RaiseSelect(selected_);
}

void TWaveView::ShowFrame(uint32_t frame) {
  if (frame >= viewStart_ && frame <= viewStop_) return;
  const uint32_t length = FrameCount();
  // A page on, or back so that the frame ends the view.
  const uint32_t start =
      frame > viewStop_ ? frame : (frame > viewLength_ ? frame - viewLength_ : 0);
  viewStart_ = std::min(start, length - std::min(viewLength_, length));
  viewStop_ = viewStart_ + viewLength_;
  UpdateScrollBar();
  Repaint();
}

void TWaveView::ZoomAt(int32_t x, bool in) {
  if (!DocumentLoaded()) return;
  const uint32_t length = FrameCount();
  if (in ? viewLength_ <= kDeepestZoom : viewLength_ >= length) return;
  const uint32_t frame = FrameAt(std::clamp(x, 0, AreaWidth()));
  const double share = viewLength_ == 0 ? 0 : double(frame - viewStart_) / viewLength_;
  const uint32_t next =
      in ? RoundToFrames(viewLength_ / kZoomFactor)
         : std::min(RoundToFrames(std::max(viewLength_, 1u) * kZoomFactor), length);
  // The frame under the pointer stays under it.
  const int64_t start = int64_t{frame} - std::llround(share * next);
  viewLength_ = next;
  viewStart_ = static_cast<uint32_t>(std::clamp<int64_t>(start, 0, int64_t{length} - next));
  viewStop_ = viewStart_ + viewLength_;
  UpdateScrollBar();
  Repaint();
}

// Mouse selection

int32_t TWaveView::AreaX(const QMouseEvent* event) const {
  return std::min(static_cast<int32_t>(event->position().x()), AreaWidth());
}

uint32_t TWaveView::FrameAt(int32_t x) const {
  const double fpp = static_cast<double>(viewLength_) / std::max(AreaWidth(), 1);
  return static_cast<uint32_t>(
      std::clamp<int64_t>(std::llround(std::nearbyint(x * fpp)) + viewStart_, 0, FrameCount()));
}

void TWaveView::mousePressEvent(QMouseEvent* event) {
  setFocus(Qt::MouseFocusReason);
  if (event->button() != Qt::LeftButton) return;
  // A press on a marker's name picks the marker up.
  if (PressMark(event)) return;
  mouseIsDown_ = true;
  // Ctrl picks the selection up; a plain press always starts a new selection, also inside it.
  if ((event->modifiers() & Qt::ControlModifier) && InsideSelection(AreaX(event))) {
    dragPending_ = true;
    dragFrom_ = event->position().toPoint();
    dragFromX_ = AreaX(event);
    return;
  }
  if (event->modifiers() & Qt::ShiftModifier)
    ExtendSelect(AreaX(event));
  else
    StartSelect(AreaX(event));
}

void TWaveView::mouseMoveEvent(QMouseEvent* event) {
  if (markDrag_) return DragMark(event);
  if (!mouseIsDown_) return;
  if (dragPending_) {
    if (!FarEnoughToDrag(event)) return;
    dragPending_ = false;
    mouseIsDown_ = false;
    DragSelectionOut();
    return;
  }
  DragSelect(AreaX(event));
  if (replayAfterDrag_) StopPlay();
}

void TWaveView::mouseReleaseEvent(QMouseEvent* event) {
  if (markDrag_ && event->button() == Qt::LeftButton) return DropMark(event);
  if (event->button() != Qt::LeftButton || !mouseIsDown_) return;
  int32_t x = AreaX(event);
  if (dragPending_) {
    // No drag after all: the click inside the selection places the cursor there.
    dragPending_ = false;
    x = dragFromX_;
    StartSelect(x);
  }
  EndSelect(x);
  mouseIsDown_ = false;
  if (replayAfterDrag_) {
    StartPlay();
    replayAfterDrag_ = false;
  }
}

void TWaveView::StartSelect(int32_t x) {
  if (!DocumentLoaded()) return;
  selected_ = false;
  RaiseSelect(false);
  anchor_ = FrameAt(x);
  cursorX_ = x;
  cursorPos_ = anchor_;
  cursorMs_ = SamplesToMs(cursorPos_);
  RaiseCursor();
  if (Playing()) {
    StartPlay();
    replayAfterDrag_ = true;
  }
  Repaint();
  selStart_ = anchor_;
  pressX_ = x;
  selecting_ = true;
}

void TWaveView::ExtendSelect(int32_t x) {
  if (!DocumentLoaded()) return;
  x = std::max(x, 0);
  const uint32_t f = FrameAt(x);
  if (selected_) {
    // The end nearer the click moves to it; the other one stays.
    const uint32_t toStart = f > selStart_ ? f - selStart_ : selStart_ - f;
    const uint32_t toStop = f > selStop_ ? f - selStop_ : selStop_ - f;
    anchor_ = toStart <= toStop ? selStop_ : selStart_;
  } else {
    anchor_ = cursorPos_;
  }
  selStart_ = std::min(anchor_, f);
  selStop_ = std::max(anchor_, f);
  selected_ = selStart_ < selStop_;
  Repaint();
  // The drawn selection runs from the anchor to x, which a drag goes on from.
  cursorX_ = x;
  pressX_ = x;
  selecting_ = true;
  extending_ = true;
}

void TWaveView::DragSelect(int32_t x) {
  if (!DocumentLoaded() || !selecting_) return;
  x = std::clamp(x, 0, AreaWidth());
  // The band between the last and this position flips, so the band from the press to the
  // mouse stays inverted as the drag goes.
  InvertColumns(std::min(cursorX_, x), std::max(cursorX_, x));
  Present();
  const uint32_t f = FrameAt(x);
  selStart_ = std::min(anchor_, f);
  selStop_ = std::max(anchor_, f);
  cursorX_ = x;
}

void TWaveView::EndSelect(int32_t x) {
  if (!DocumentLoaded()) return;
  selecting_ = false;
  const bool click = x == pressX_ && !extending_;
  extending_ = false;
  if (click || selStart_ == selStop_) {
    selected_ = false;
    RaiseSelect(false);
    return;
  }
  selected_ = true;
  Repaint();
  RaiseSelect(true);
}

// Closing

bool TWaveView::QueryClose() {
  closeAfterSave_ = false;
  bool answer = true;
  if (document_ && document_->Loaded()) {
    ReleasePlayer();
    if (document_->Modified()) {
      switch (MessageBoxes().AskYesNoCancel(kApplicationTitle, ConstantText("savechanges"))) {
        case TAnswer::Yes:
          // Only a save that started can end in the close; otherwise nothing changes.
          closeAfterSave_ = OnSaveRequest ? OnSaveRequest() : document_->Save();
          answer = false;
          break;
        case TAnswer::No:
          break;
        case TAnswer::Cancel:
          answer = false;
          break;
      }
    }
    if (answer) {
      selected_ = false;
      document_->Close();
      Repaint();
    }
  }
  return answer;
}

}  // namespace quillon
