// The order-entry program's data module (ordersdata.ofm): the ORDERBOOK table,
// its data source, the generator of order numbers and the stamper. Its
// handlers give each new order its ID and number when it is saved, and give
// the number back when the save fails. The program and the design package
// orderspkg both register it. Main thread only.
#pragma once

#include <string>

#include <orv/host/classes/datamodule.h>
#include <orv/host/classes/typinfo.h>
#include <orv/host/db/dataset.h>
#include <orv/host/rtl/tmstring.h>

namespace orv {
class TGenerator;
class TTable;
}  // namespace orv

namespace orders {

class TOrdersData : public orv::TDataModule {
  ORV_CLASS(TOrdersData, orv::TDataModule)
 public:
  explicit TOrdersData(orv::TComponent* owner) : orv::TDataModule(owner) {}
  orv::TTable* Orders() const;
  orv::TGenerator* OrderNo() const;

  // Makes the generator table and ORDERBOOK in the database when missing (a
  // program started meanwhile may make them first). Raises EDatabaseError, also
  // when ORDERBOOK exists without the fields the program needs.
  static void MakeTables(const std::string& database);

  // Checks the customer, then draws the number and the next ID (a new order only).
  void OrdersBeforePost(orv::TDataSet* data_set);
  // Another program took the ID: the next one, again. A failed save gives the number back.
  void OrdersPostError(orv::TDataSet* data_set, const orv::EDatabaseError& error,
                       orv::TDataAction& action);
  // The number was no longer the last: it stays unused (a gap), said on stderr.
  void OrderNoUndoFailed(orv::TObject* sender, orv::TmString& value);

 protected:
  ~TOrdersData() override = default;

 private:
  orv::TmString drawn_;  // the number this save drew, until it is written or given back
  int id_retries_ = 0;
};

}  // namespace orders
