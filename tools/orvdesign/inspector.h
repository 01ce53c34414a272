// TInspector: the object inspector over one TFormDocument: a row per
// property of the inspected components (TFormDocument::InspectedProperties),
// each value in the field its editor asks for (a line, a value list, a "..."
// dialog button), and a filter by name. Enter or leaving a field commits,
// Esc puts the component's value back. A refused value stays marked at its
// field with the reason (and in the note under the list) until Esc, a good
// value or another selection; a text holding a character that code page 1251
// lacks is refused so, before any component sees it.
//
// Errors go to the report callback (the window's message pane); after a
// change the queue_refresh callback asks for every view to be rebuilt, since
// no widget may be destroyed inside its own signal.
// Threading: the Qt main thread.
#pragma once

#include <QString>
#include <QWidget>

#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "tools/orvdesign/formdocument.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QTableWidget;
class QToolButton;

namespace orv::design {

class TInspector : public QWidget {
 public:
  TInspector(TFormDocument& doc, std::function<void(const std::string&)> report,
             std::function<void()> queue_refresh, QWidget* parent = nullptr);

  // Rebuilds the rows from the document now.
  void Refresh();

  QTableWidget* Table() const { return table_; }
  QLineEdit* Filter() const { return filter_; }
  // The note under the list (the message of a refused value).
  QLabel* Note() const { return note_; }
  // The field of a property (a line edit, or the line edit of a value list's
  // combo box), its combo box, its "..." button; null when not shown.
  QLineEdit* ValueField(const std::string& property) const;
  QComboBox* ValueList(const std::string& property) const;
  QToolButton* DialogButton(const std::string& property) const;

 private:
  void ApplyFilter();
  void CommitValue(const std::string& property, const QString& text);
  void EditValue(const std::string& property);
  void RestoreValue(const std::string& property);

  TFormDocument& doc_;
  std::function<void(const std::string&)> report_;
  std::function<void()> queue_refresh_;
  QTableWidget* table_ = nullptr;
  QLineEdit* filter_ = nullptr;
  QLabel* note_ = nullptr;
  bool syncing_ = false;  // the rows are being rebuilt: their signals are not the user's
  struct Refused {
    std::string property, text, message;
    std::vector<std::string> selection;
  } refused_;
  std::map<std::string, std::string> shown_;  // property -> the value the field was filled with
  // The value lists' errors already reported for the selection.
  std::set<std::string> list_errors_;
  std::vector<std::string> list_errors_selection_;
};

}  // namespace orv::design
