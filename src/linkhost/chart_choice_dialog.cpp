#include "linkhost/chart_choice_dialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace vx::linkhost {

ChartChoiceDialog::ChartChoiceDialog(const LinkOptions& options, QWidget* parent)
    : QDialog(parent),
      none_(new QRadioButton("No chart", this)),
      all_(new QRadioButton("Chart of all readings", this)),
      strip_(new QRadioButton("Strip chart of the last readings", this)),
      points_(new QSpinBox(this)),
      inSheet_(new QCheckBox("In the worksheet", this)) {
  setObjectName("ChartChoice");
  setWindowTitle("Logging Charts");
  none_->setObjectName("none");
  all_->setObjectName("all");
  strip_->setObjectName("strip");
  points_->setObjectName("points");
  inSheet_->setObjectName("inSheet");
  points_->setRange(1, 30000);
  points_->setValue(options.points);
  inSheet_->setChecked(options.inSheet);
  none_->setChecked(options.chart == LinkOptions::Chart::None);
  all_->setChecked(options.chart == LinkOptions::Chart::All);
  strip_->setChecked(options.chart == LinkOptions::Chart::Strip);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(none_);
  layout->addWidget(all_);
  layout->addWidget(strip_);
  auto* form = new QFormLayout;
  form->addRow("Points shown:", points_);
  layout->addLayout(form);
  layout->addWidget(inSheet_);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  buttons->button(QDialogButtonBox::Ok)->setObjectName("ok");
  buttons->button(QDialogButtonBox::Cancel)->setObjectName("cancel");
  layout->addWidget(buttons);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  for (QRadioButton* kind : {none_, all_, strip_}) {
    connect(kind, &QRadioButton::toggled, this, [this] { UpdateEnabled(); });
  }
  UpdateEnabled();
}

// The number of points is a strip chart's; where the chart goes is any chart's.
void ChartChoiceDialog::UpdateEnabled() {
  points_->setEnabled(strip_->isChecked());
  inSheet_->setEnabled(!none_->isChecked());
}

void ChartChoiceDialog::Apply(LinkOptions& options) const {
  options.chart = strip_->isChecked() ? LinkOptions::Chart::Strip
                  : all_->isChecked() ? LinkOptions::Chart::All
                                      : LinkOptions::Chart::None;
  options.points = points_->value();
  options.inSheet = inSheet_->isChecked() && options.chart != LinkOptions::Chart::None;
}

}  // namespace vx::linkhost
