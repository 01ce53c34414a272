// The order-entry program as clerks use it: its own form and data module,
// driven offscreen through the buttons, edits and grid; and two programs
// saving orders at once on one database.
#include <gtest/gtest.h>

#include <QApplication>
#include <QMouseEvent>
#include <QTableWidget>

#include <chrono>
#include <cstdlib>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include <unistd.h>

#include <orv/host/db/session.h>
#include <orv/host/db/table.h>
#include <orv/host/db/testing/engines.h>
#include <orv/host/db/testing/spawned_child.h>
#include <orv/host/forms/dbctrls.h>
#include <orv/host/forms/testing/formtesting.h>
#include <orv/host/rtl/dialogs.h>

#include "app.h"

namespace orders {
namespace {

using orv::testing::Click;
using orv::testing::TypeInto;

// A clerk at the program's window on database (an alias of Session()).
class Clerk {
 public:
  explicit Clerk(const std::string& database) {
    orv::testing::StartApplication();
    form_ = OpenOrders(database);
    orv::testing::ShowActive(form_);
  }
  ~Clerk() {
    form_->Free();
    orv::TDataModule::FindDataModule("OrdersData")->Free();
  }
  template <class T = orv::TWinControl>
  T* Get(const std::string& name) const {
    return dynamic_cast<T*>(form_->FindComponent(name));
  }
  orv::TDBGrid* Grid() const { return Get<orv::TDBGrid>("OrdersGrid"); }
  void Press(const std::string& button) { Click(Get(button + "Button")); }
  // New, the customer and amount typed, Save.
  void TakeOrder(const std::string& customer, const std::string& amount) {
    Press("New");
    TypeInto(Get("CustomerEdit"), customer);
    TypeInto(Get("AmountEdit"), amount);
    Press("Save");
  }
  // A line of the grid picked with the mouse.
  void Pick(int row) {
    QTableWidget* t = Grid()->Table();
    const QPoint p = t->visualItemRect(t->item(row, 0)).center();
    for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
      QMouseEvent e(type, QPointF(p), t->viewport()->mapToGlobal(QPointF(p)), Qt::LeftButton,
                    type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton,
                    Qt::NoModifier);
      QApplication::sendEvent(t->viewport(), &e);
    }
    orv::testing::Pump();
  }
  // Column col of every line: 1 the number, 3 the customer.
  std::vector<std::string> Column(int col) const {
    std::vector<std::string> cells;
    for (int r = 0; r < Grid()->RowCount(); ++r) cells.push_back(Grid()->Cell(r, col));
    return cells;
  }

 private:
  TOrdersForm* form_;
};

using Numbers = std::vector<std::string>;

TEST(Orders, AClerkTakesEditsCancelsAndDeletesOrders) {
  orv::testing::TestDatabase db("sqlite");
  Clerk clerk(db.Alias());
  for (const char* customer : {"Acme", "Bolt", "Crane"}) clerk.TakeOrder(customer, "12.5");
  EXPECT_EQ(clerk.Column(1), (Numbers{"ORD-00001", "ORD-00002", "ORD-00003"}));
  EXPECT_EQ(clerk.Column(3), (Numbers{"Acme", "Bolt", "Crane"}));
  std::set<std::string> stamps;
  for (const std::string& s : clerk.Column(2)) stamps.insert(s.size() == 17 ? s : "");
  EXPECT_EQ(stamps.size(), 3u);
  EXPECT_FALSE(stamps.count(""));

  // The second order's customer corrected: its number stays.
  clerk.Pick(1);
  TypeInto(clerk.Get("CustomerEdit"), " Ltd");
  clerk.Press("Save");
  EXPECT_EQ(clerk.Column(3), (Numbers{"Acme", "Bolt Ltd", "Crane"}));

  // An order cancelled, and one refused for want of a customer: no number used.
  clerk.Press("New");
  TypeInto(clerk.Get("CustomerEdit"), "Dropped");
  clerk.Press("Cancel");
  clerk.Press("New");
  auto seen = orv::testing::AnswerMessageBox(orv::IDOK);
  clerk.Press("Save");
  EXPECT_TRUE(seen->seen);
  EXPECT_EQ(seen->text, "Field 'CUSTOMER' must have a value");
  TypeInto(clerk.Get("CustomerEdit"), "Dane");
  clerk.Press("Save");
  EXPECT_EQ(clerk.Column(1), (Numbers{"ORD-00001", "ORD-00002", "ORD-00003", "ORD-00004"}));

  // Delete, confirmed: the first order goes; cancelled: it stays.
  clerk.Pick(0);
  seen = orv::testing::AnswerMessageBox(orv::IDCANCEL);
  clerk.Press("Delete");
  EXPECT_EQ(seen->text, "Delete order ORD-00001?");
  EXPECT_EQ(clerk.Grid()->RowCount(), 4);
  seen = orv::testing::AnswerMessageBox(orv::IDOK);
  clerk.Press("Delete");
  EXPECT_EQ(clerk.Column(1), (Numbers{"ORD-00002", "ORD-00003", "ORD-00004"}));
  EXPECT_EQ(clerk.Get<orv::TLabel>("StatusLine")->Caption(),
            "Database: " + orv::DescribeDatabase(db.Alias()));
}

// Run as a child by the test below: ORDERS_CLERK holds "ALIASFILE;ALIAS;COUNT".
TEST(Orders, ClerkChild) {
  const char* job = std::getenv("ORDERS_CLERK");
  if (!job) GTEST_SKIP() << "run by TwoProgramsTakeDistinctContiguousNumbers";
  const std::string s = job;
  const size_t a = s.find(';'), b = s.find(';', a + 1);
  orv::Session()->LoadAliasFile(s.substr(0, a));
  Clerk clerk(s.substr(a + 1, b - a - 1));
  for (int i = std::stoi(s.substr(b + 1)); i > 0; --i) clerk.TakeOrder("Clerk " + std::to_string(getpid()), "1");
}

class OrdersOn : public ::testing::TestWithParam<std::string> {};

TEST_P(OrdersOn, TwoProgramsTakeDistinctContiguousNumbers) {
  ORV_SKIP_UNLESS_AVAILABLE(GetParam());
  orv::testing::TestDatabase db(GetParam());
  constexpr int kEach = 40;
  std::vector<std::unique_ptr<orv::testing::SpawnedChild>> clerks;
  const std::string job = db.AliasFile() + ";" + db.Alias() + ";" + std::to_string(kEach);
  for (int i = 0; i < 2; ++i)
    clerks.push_back(std::make_unique<orv::testing::SpawnedChild>(
        "/proc/self/exe", std::vector<std::string>{"--gtest_filter=Orders.ClerkChild"}, "",
        orv::testing::SpawnOptions{"", false, {"ORDERS_CLERK=" + job}, true}));
  for (auto& clerk : clerks) {
    const orv::testing::ChildResult r = clerk->WaitFor(std::chrono::minutes(3));
    ASSERT_EQ(r.exit_code, 0) << r.out;
    EXPECT_NE(r.out.find("[  PASSED  ] 1 test"), std::string::npos) << r.out;
  }
  orv::TComponentPtr<orv::TTable> orders(new orv::TTable(nullptr));
  orders->SetDatabaseName(db.Alias());
  orders->SetTableName("ORDERS");
  orders->Open();
  std::set<std::string> numbers;
  for (orders->First(); !orders->Eof(); orders->Next())
    numbers.insert(orders->FieldByName("ORDNO")->AsString());
  std::set<std::string> expected;
  for (int i = 1; i <= 2 * kEach; ++i) expected.insert("ORD-" + std::string(i < 10 ? "0000" : "000") + std::to_string(i));
  EXPECT_EQ(numbers, expected);
}

INSTANTIATE_TEST_SUITE_P(Engines, OrdersOn, ::testing::ValuesIn(orv::testing::AllEngineNames()));

}  // namespace
}  // namespace orders
