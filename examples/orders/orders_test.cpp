// The order-entry program as clerks use it: its own form and data module,
// driven offscreen through the buttons, edits and grid; and two programs
// saving orders at once on one database.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include <QWidget>

#include <orv/host/db/session.h>
#include <orv/host/db/table.h>
#include <orv/host/db/testing/engines.h>
#include <orv/host/db/testing/spawned_child.h>
#include <orv/host/forms/dbctrls.h>
#include <orv/host/forms/messages.h>
#include <orv/host/forms/testing/formtesting.h>
#include <orv/host/rtl/dialogs.h>

#include "app.h"

namespace orders {
namespace {

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
  void Press(const std::string& button) { orv::testing::Click(Get(button + "Button")); }
  // The window's close box; true when the window closed.
  bool CloseWindow() {
    form_->Widget()->close();
    orv::testing::Pump();
    return !form_->Visible();
  }
  // New, the customer and an amount typed, Save.
  void TakeOrder(const std::string& customer) {
    Press("New");
    orv::testing::TypeInto(Get("CustomerEdit"), customer);
    orv::testing::TypeInto(Get("AmountEdit"), "12.5");
    Press("Save");
  }
  // The grid's current line moved up by n, with the arrow key.
  void Up(int n) {
    while (n-- > 0) orv::testing::PressKey(Grid(), orv::VK_UP);
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
  for (const char* customer : {"Acme", "Bolt", "Crane"}) clerk.TakeOrder(customer);
  EXPECT_EQ(clerk.Column(1), (Numbers{"ORD-00001", "ORD-00002", "ORD-00003"}));
  EXPECT_EQ(clerk.Column(3), (Numbers{"Acme", "Bolt", "Crane"}));
  const Numbers stamps = clerk.Column(2);  // a stamp each, each its own
  EXPECT_TRUE(stamps[0].size() == 17 && stamps[0] < stamps[1] && stamps[1] < stamps[2]);

  // The second order's customer corrected: its number stays.
  clerk.Up(1);
  orv::testing::TypeInto(clerk.Get("CustomerEdit"), " Ltd");
  clerk.Press("Save");
  EXPECT_EQ(clerk.Column(3), (Numbers{"Acme", "Bolt Ltd", "Crane"}));

  // An order cancelled, and one refused for want of a customer: no number used.
  clerk.Press("New");
  orv::testing::TypeInto(clerk.Get("CustomerEdit"), "Dropped");
  clerk.Press("Cancel");
  clerk.Press("New");
  auto seen = orv::testing::AnswerMessageBox(orv::IDOK);
  clerk.Press("Save");
  EXPECT_TRUE(seen->seen);
  EXPECT_EQ(seen->text, "Field 'CUSTOMER' must have a value");
  orv::testing::TypeInto(clerk.Get("CustomerEdit"), "Dane");
  clerk.Press("Save");
  EXPECT_EQ(clerk.Column(1), (Numbers{"ORD-00001", "ORD-00002", "ORD-00003", "ORD-00004"}));

  // Delete, confirmed: the first order goes; cancelled: it stays.
  clerk.Up(3);
  seen = orv::testing::AnswerMessageBox(orv::IDCANCEL);
  clerk.Press("Delete");
  EXPECT_EQ(seen->text, "Delete order ORD-00001?");
  EXPECT_EQ(clerk.Grid()->RowCount(), 4);
  seen = orv::testing::AnswerMessageBox(orv::IDOK);
  clerk.Press("Delete");
  EXPECT_EQ(clerk.Column(1), (Numbers{"ORD-00002", "ORD-00003", "ORD-00004"}));
  // Another program stored the next number meanwhile: the save is refused and
  // the number given back, so that it is the next one issued.
  orv::TComponentPtr<orv::TTable> other(new orv::TTable(nullptr));
  other->SetDatabaseName(db.Alias());
  other->SetTableName("ORDERBOOK");
  other->Open();
  other->Append();
  other->FieldByName("ID")->SetAsInteger(10);
  other->FieldByName("ORDNO")->SetAsString("ORD-00005");
  other->Post();
  seen = orv::testing::AnswerMessageBox(orv::IDOK);
  clerk.TakeOrder("Eve");
  EXPECT_TRUE(seen->seen);
  other->Delete();
  clerk.Press("Cancel");
  clerk.TakeOrder("Fay");
  EXPECT_EQ(clerk.Column(1), (Numbers{"ORD-00002", "ORD-00003", "ORD-00004", "ORD-00005"}));
  EXPECT_EQ(clerk.Get<orv::TLabel>("StatusLine")->Caption(),
            "Database: " + orv::DescribeDatabase(db.Alias()));

  // Closing the window with an order being entered asks first: kept, then dropped.
  clerk.Press("New");
  orv::testing::TypeInto(clerk.Get("CustomerEdit"), "Gus");
  for (const int answer : {orv::IDCANCEL, orv::IDOK}) {
    seen = orv::testing::AnswerMessageBox(answer);
    EXPECT_EQ(clerk.CloseWindow(), answer == orv::IDOK);
    EXPECT_EQ(seen->text, "The order being entered is not saved. Close and drop it?");
  }
  EXPECT_EQ(clerk.Grid()->RowCount(), 4);
}

// The program as users start it, a process of its own: it loads its form
// files, whose data-aware controls it never names in its code. A table of
// orvgen's examples (ORDERS: ID, OKEY) is not its own; one of its own name
// without its fields is refused at the start.
TEST(Orders, TheProgramDrawsItsWindowBesideOtherTables) {
  for (const std::string other : {"ORDERS", "ORDERBOOK"}) {
    orv::testing::TestDatabase db("sqlite");
    orv::TComponentPtr<orv::TTable> table(new orv::TTable(nullptr));
    table->SetDatabaseName(db.Alias());
    table->SetTableName(other);
    table->CreateTable({{"ID", orv::ftInteger, 0}, {"OKEY", orv::ftString, 20}}, {"ID"}, {});
    const std::string picture = ::testing::TempDir() + "orders-window.png";
    orv::testing::SpawnedChild program(
        ORDERS_EXE, {"--db", db.Alias(), "--screenshot", picture}, "",
        orv::testing::SpawnOptions{"", false, {"ORV_ALIASES=" + db.AliasFile()}, true});
    const orv::testing::ChildResult r = program.WaitFor(std::chrono::minutes(1));
    const bool own = other == "ORDERBOOK";
    EXPECT_EQ(r.exit_code, own ? 1 : 0) << r.out;
    EXPECT_NE(r.out.find(own ? "Table ORDERBOOK has no field ORDNO: it was made for another program"
                             : picture + ": 560x372"),
              std::string::npos)
        << r.out;
  }
}

constexpr int kEach = 40;  // orders each of two programs saves at once

// Run as a child by the test below, on the alias ORDERS_CLERK names.
TEST(Orders, ClerkChild) {
  const char* alias = std::getenv("ORDERS_CLERK");
  if (!alias) GTEST_SKIP() << "run by TwoProgramsTakeDistinctContiguousNumbers";
  Clerk clerk(alias);
  for (int i = 0; i < kEach; ++i) clerk.TakeOrder("Child");
}

class OrdersOn : public ::testing::TestWithParam<std::string> {};

TEST_P(OrdersOn, TwoProgramsTakeDistinctContiguousNumbers) {
  ORV_SKIP_UNLESS_AVAILABLE(GetParam());
  orv::testing::TestDatabase db(GetParam());
  std::vector<std::unique_ptr<orv::testing::SpawnedChild>> clerks;
  for (int i = 0; i < 2; ++i)
    clerks.push_back(std::make_unique<orv::testing::SpawnedChild>(
        "/proc/self/exe", std::vector<std::string>{"--gtest_filter=Orders.ClerkChild"}, "",
        orv::testing::SpawnOptions{
            "", false, {"ORDERS_CLERK=" + db.Alias(), "ORV_ALIASES=" + db.AliasFile()}, true}));
  for (auto& clerk : clerks) {
    const orv::testing::ChildResult r = clerk->WaitFor(std::chrono::minutes(3));
    EXPECT_EQ(r.exit_code, 0) << r.out;
    EXPECT_NE(r.out.find("[  PASSED  ] 1 test"), std::string::npos) << r.out;
  }
  Numbers numbers = Clerk(db.Alias()).Column(1), expected;
  std::sort(numbers.begin(), numbers.end());
  for (int i = 1; i <= 2 * kEach; ++i)
    expected.push_back("ORD-" + std::string(i < 10 ? "0000" : "000") + std::to_string(i));
  EXPECT_EQ(numbers, expected);
}

INSTANTIATE_TEST_SUITE_P(Engines, OrdersOn, ::testing::ValuesIn(orv::testing::AllEngineNames()));

}  // namespace
}  // namespace orders
