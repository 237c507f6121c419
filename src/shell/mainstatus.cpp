// The main window's status bar: the document's panels and the line an operation left.
#include <QLabel>
#include <QStatusBar>

#include "shell/labelholder.h"
#include "shell/main.h"
#include "shell/statusrows.h"

namespace quillon {

namespace {
constexpr int kStatusPanelWidth = 150;
}  // namespace

void Tmainform::CreateStatusBar() {
  StatusBar = new QStatusBar(this);
  StatusBar->setObjectName("StatusBar");
  auto* rows = new TStatusRows(StatusBar);
  for (int i = 0; i < 4; ++i) {
    statusPanels_[i] = new QLabel(rows);
    statusPanels_[i]->setObjectName(QString("StatusPanel%1").arg(i));
    // At least the designed width; a longer text (a larger font, a translation) widens it.
    statusPanels_[i]->setMinimumWidth(kStatusPanelWidth);
    rows->AddPanel(new TLabelHolder(statusPanels_[i], rows));
  }
  // Its text is built by the operation in the language of its time; it is not a window text.
  noticePanel_ = new QLabel(rows);
  noticePanel_->setObjectName("NoticePanel");
  rows->SetNotice(noticePanel_);
  StatusBar->addWidget(rows, 1);
  setStatusBar(StatusBar);
}

}  // namespace quillon
