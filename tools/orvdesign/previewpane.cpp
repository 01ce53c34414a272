#include "tools/orvdesign/previewpane.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QVBoxLayout>

#include <orv/host/forms/controls.h>

namespace orv::design {

TPreviewPane::TPreviewPane(TFormDocument& doc, QWidget* parent) : QWidget(parent), doc_(doc) {
  text_ = new QPlainTextEdit;
  text_->setObjectName("preview");
  text_->setReadOnly(true);
  text_->setMaximumHeight(130);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(new QLabel("Preview"));
  layout->addWidget(text_);
}

void TPreviewPane::Refresh() { text_->setPlainText(ToQString(doc_.PreviewText())); }

}  // namespace orv::design
