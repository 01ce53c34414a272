// TPreviewPane: the designer's preview pane: what the selected component will
// do when the program runs, as the preview provider a package registered for
// its class says (TFormDocument::PreviewText, which guards the provider: its
// error is shown here and goes no further). The designer itself knows no
// component class; without a provider the pane says so.
// Threading: the Qt main thread.
#pragma once

#include <QWidget>

#include "tools/orvdesign/formdocument.h"

class QPlainTextEdit;

namespace orv::design {

class TPreviewPane : public QWidget {
 public:
  explicit TPreviewPane(TFormDocument& doc, QWidget* parent = nullptr);
  // Asks for the selection's preview again.
  void Refresh();
  QPlainTextEdit* Text() const { return text_; }

 private:
  TFormDocument& doc_;
  QPlainTextEdit* text_ = nullptr;
};

}  // namespace orv::design
