// TDesignerWindow: the designer's main window over one TFormDocument: its
// menus, the palette of the loaded packages, the design surface
// (designsurface.h), the component tree, the object inspector (inspector.h),
// the preview pane of the selection (previewpane.h) and a message pane. Everything the user does
// goes to the document, whose guarded calls keep a faulty package from changing the form; errors
// land in the message pane (and, for a refused value, at the inspector's field), never in a box
// that stops work.
//
// The views are rebuilt from names after every change of the document (a
// rebuild is queued, so that no widget is destroyed inside its own signal);
// tests call Pump() (host/forms/testing) before looking.
// Threading: the Qt main thread.
#pragma once

#include <QMainWindow>

#include <functional>
#include <map>
#include <string>
#include <vector>

#include <orv/host/classes/typinfo.h>
#include "tools/orvdesign/formdocument.h"

class QAction;
class QComboBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPlainTextEdit;
class QTableWidget;
class QToolButton;
class QTreeWidget;

namespace orv::design {

class TInspector;
class TPreviewPane;
class TSurface;

class TDesignerWindow : public QMainWindow {
 public:
  explicit TDesignerWindow(TFormDocument& doc, QWidget* parent = nullptr);
  ~TDesignerWindow() override;

  TFormDocument& Document() { return doc_; }
  // Adds a line to the message pane (1251 text).
  void Report(const std::string& text);
  // Rebuilds every view from the document now.
  void Refresh();

  // ---- the parts, for tests and screenshots ----
  QWidget* Surface() const;
  QTreeWidget* Tree() const { return tree_; }
  QTableWidget* Inspector() const;
  QLineEdit* Filter() const;
  QPlainTextEdit* Preview() const;
  QPlainTextEdit* Messages() const { return messages_; }
  QAction* UndoAction() const { return undo_; }
  QAction* RedoAction() const { return redo_; }
  QAction* SaveAction() const { return save_; }
  // The palette button of a class (null when it is on no page).
  QToolButton* PaletteButton(const std::string& class_name) const;
  // The field of a property in the inspector (a line edit, or the line edit
  // of a value list's combo box), its combo box, its "..." button; null when
  // the property is not shown.
  QLineEdit* ValueField(const std::string& property) const;
  QComboBox* ValueList(const std::string& property) const;
  QToolButton* DialogButton(const std::string& property) const;
  // The inspector's note under the list (the message of a refused value).
  QLabel* InspectorNote() const;
  // The context menu of a component: its verbs, then Delete. The caller owns it.
  QMenu* ContextMenu(const std::string& component);

  // ---- actions ----
  // The class armed on the palette (placed by the next click on the surface), or null.
  const TClassInfo* Armed() const { return armed_; }
  void Arm(const TClassInfo* cls);
  void PlaceArmed(int x, int y);
  void RunVerb(const std::string& component, int index);
  void EditComponent(const std::string& component);
  void DeleteSelection();
  void MoveSelection(int dx, int dy);
  bool Save();
  bool SaveAs();
  // Asks whether to save a modified form: true when the caller may go on.
  bool MaybeSave();

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void RefreshTree();
  void RefreshTitle();
  void QueueRefresh();
  // Runs fn; an error goes to the message pane. Returns false then.
  bool Try(const std::function<void()>& fn);

  TFormDocument& doc_;
  TSurface* surface_ = nullptr;
  QTreeWidget* tree_ = nullptr;
  TInspector* inspector_ = nullptr;
  TPreviewPane* preview_ = nullptr;
  QPlainTextEdit* messages_ = nullptr;
  QAction* undo_ = nullptr;
  QAction* redo_ = nullptr;
  QAction* save_ = nullptr;
  std::map<std::string, QToolButton*> palette_;
  const TClassInfo* armed_ = nullptr;
  bool refresh_queued_ = false;
  bool syncing_ = false;  // the tree is being rebuilt: its signals are not the user's
};

// Opens the window on form (empty: a new data module) and runs until it is
// closed; with screenshot, saves a picture of the window as PNG and returns.
int RunDesigner(const std::string& form, const std::vector<std::string>& package_failures,
                const std::string& screenshot);

}  // namespace orv::design
