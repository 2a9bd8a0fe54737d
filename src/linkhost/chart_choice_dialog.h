#pragma once
// The toolbar's Logging Charts form: which chart the next run draws (none, all readings, or a
// strip chart of the last N), and whether it sits in the worksheet.

#include <QDialog>

#include "linkhost/link_options.h"

class QCheckBox;
class QRadioButton;
class QSpinBox;

namespace vx::linkhost {

class ChartChoiceDialog : public QDialog {
 public:
  explicit ChartChoiceDialog(const LinkOptions& options, QWidget* parent = nullptr);

  // The choices into `options`, after OK.
  void Apply(LinkOptions& options) const;

 private:
  void UpdateEnabled();

  QRadioButton* none_;
  QRadioButton* all_;
  QRadioButton* strip_;
  QSpinBox* points_;
  QCheckBox* inSheet_;
};

}  // namespace vx::linkhost
