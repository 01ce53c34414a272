// The standard controls: TLabel, TEdit, TButton and TComboBox.
// Main thread only.
#pragma once

#include <string>
#include <vector>

#include <orv/host/classes/lists.h>
#include <orv/host/forms/controls.h>
#include <orv/host/forms/forms.h>

class QLineEdit;
class QPushButton;
class QComboBox;

namespace orv {

enum TAlignment { taLeftJustify, taRightJustify, taCenter };
// The names of TAlignment's values, in order, as form files write them.
const std::vector<std::string>& AlignmentNames();

// A text painted on its parent. A '&' marks the next character as the
// accelerator ("&&" is one ampersand). With AutoSize (the default) the label
// fits its text; Transparent leaves the parent's background showing.
class TLabel : public TGraphicControl {
  ORV_CLASS(TLabel, TGraphicControl)
 public:
  explicit TLabel(TComponent* owner);
  TAlignment Alignment() const { return alignment_; }
  void SetAlignment(TAlignment a);
  bool AutoSize() const { return auto_size_; }
  void SetAutoSize(bool on);
  bool Transparent() const { return transparent_; }
  void SetTransparent(bool on);
  bool WordWrap() const { return word_wrap_; }
  void SetWordWrap(bool on);
  void Paint(QPainter& painter) override;
  void Loaded() override;
  // The text as shown: accelerator marks removed.
  std::string DisplayText() const;

 protected:
  void TextChanged() override;
  void FontChanged() override;

 private:
  void AdjustBounds();
  TAlignment alignment_ = taLeftJustify;
  bool auto_size_ = true;
  bool transparent_ = false;
  bool word_wrap_ = false;
};

// A one-line edit box. Modified is true only after the user changed the text
// (setting Text clears it); OnChange follows every change of the text.
class TEdit : public TWinControl {
  ORV_CLASS(TEdit, TWinControl)
 public:
  explicit TEdit(TComponent* owner);
  bool Modified() const;
  void SetModified(bool on);
  bool ReadOnly() const { return read_only_; }
  void SetReadOnly(bool on);
  int MaxLength() const { return max_length_; }
  void SetMaxLength(int n);
  void SelectAll();
  void Clear() { SetText(""); }
  TNotifyEvent OnChange() const { return on_change_; }
  void SetOnChange(TNotifyEvent e) { on_change_ = std::move(e); }
  void WndProc(TMessage& message) override;
  QLineEdit* LineEdit() const;

 protected:
  std::string GetText() const override;
  void SetTextBuf(const std::string& text) override;
  void ColorChanged() override;
  virtual void Change();

 private:
  bool read_only_ = false;
  int max_length_ = 0;
  TNotifyEvent on_change_;
};

// A push button. A click sets the form's ModalResult (when the button has
// one), then runs OnClick. Default: Enter clicks it; Cancel: Escape does.
class TButton : public TWinControl {
  ORV_CLASS(TButton, TWinControl)
 public:
  explicit TButton(TComponent* owner);
  bool Default() const { return default_; }
  void SetDefault(bool on);
  bool Cancel() const { return cancel_; }
  void SetCancel(bool on) { cancel_ = on; }
  TModalResult ModalResult() const { return modal_result_; }
  void SetModalResult(TModalResult r) { modal_result_ = r; }
  void Click() override;
  bool HandleDialogKey(unsigned key, bool focused) override;
  QPushButton* PushButton() const;

 protected:
  bool ClicksFromWidget() const override { return true; }
  void TextChanged() override;

 private:
  bool default_ = false;
  bool cancel_ = false;
  TModalResult modal_result_ = mrNone;
};

enum TComboBoxStyle { csDropDown, csDropDownList };

// A drop-down list with an edit box (csDropDown) or without (csDropDownList).
// OnChange follows the user's typing and choices, not the program's.
class TComboBox : public TWinControl {
  ORV_CLASS(TComboBox, TWinControl)
 public:
  explicit TComboBox(TComponent* owner);
  ~TComboBox() override;
  // The list; the widget takes changes before it next shows or is asked.
  TStrings* Items() const { return &items_; }
  void SetItems(const TStrings& items);
  TComboBoxStyle Style() const { return style_; }
  void SetStyle(TComboBoxStyle style);
  // The index of the chosen item, -1 when the text is no item.
  int ItemIndex() const;
  void SetItemIndex(int index);
  int DropDownCount() const { return drop_down_count_; }
  void SetDropDownCount(int n);
  // Empties the list and the text.
  void Clear();
  TNotifyEvent OnChange() const { return on_change_; }
  void SetOnChange(TNotifyEvent e) { on_change_ = std::move(e); }
  void WndProc(TMessage& message) override;
  // Brings the widget's list in line with Items.
  void SyncItems() const;
  QComboBox* ComboBox() const;

 protected:
  std::string GetText() const override;
  void SetTextBuf(const std::string& text) override;
  void ColorChanged() override;
  virtual void Change();

 private:
  mutable TStringList items_;
  TComboBoxStyle style_ = csDropDown;
  int drop_down_count_ = 8;
  TNotifyEvent on_change_;
};

}  // namespace orv
