#include "shell/dialogs/filter.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>
#include <algorithm>
#include <limits>

#include "localization/ui/langcontroller.h"

namespace quillon {

Tfilterform::Tfilterform(QWidget* parent) : TKeyedDialog(parent) {
  setObjectName("filterform");
  setWindowTitle("Effect");
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
  setModal(true);

  ValueName = new QGroupBox(" Param Name", this);
  ValueName->setObjectName("ValueName");
  ValueEdit = new QSpinBox(ValueName);
  ValueEdit->setObjectName("ValueEdit");
  ValueEdit->setRange(1, 200);
  ValueEdit->setValue(1);
  auto* groupLayout = new QHBoxLayout(ValueName);
  groupLayout->addWidget(ValueEdit);

  OkButton = new QPushButton("&Ok", this);
  OkButton->setObjectName("OkButton");
  OkButton->setDefault(true);
  CancelButton = new QPushButton("&Cancel", this);
  CancelButton->setObjectName("CancelButton");
  connect(OkButton, &QPushButton::clicked, this, &QDialog::accept);
  connect(CancelButton, &QPushButton::clicked, this, &QDialog::reject);

  ButtonColumn = new QVBoxLayout;
  ButtonColumn->addWidget(OkButton);
  ButtonColumn->addWidget(CancelButton);
  auto* layout = new QHBoxLayout(this);
  layout->addWidget(ValueName, 1);
  layout->addLayout(ButtonColumn);
  FitSize();

  AttachLanguageController(this);
}

void Tfilterform::FitSize() {
  const QSize needed = sizeHint();
  setFixedSize(std::max(323, needed.width()), std::max(76, needed.height()));
}

void Tfilterform::setproperties(const std::string& title, const std::string& parameterName,
                                int minimum, int maximum, int value) {
  setWindowTitle(QString::fromStdString(title));
  ValueName->setTitle(QString::fromStdString(parameterName));
  if (minimum == maximum)
    ValueEdit->setRange(std::numeric_limits<int>::min(), std::numeric_limits<int>::max());
  else
    ValueEdit->setRange(std::min(minimum, maximum), std::max(minimum, maximum));
  ValueEdit->setValue(value);
  FitSize();
  // Each time it opens, Return takes the value shown and typing replaces it.
  ValueEdit->setFocus();
  ValueEdit->selectAll();
}

int Tfilterform::Value() const {
  return ValueEdit->value();
}

}  // namespace quillon
