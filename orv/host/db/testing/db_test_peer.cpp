// A second program on a table, driven line by line by the data layer's
// tests: each command on standard input is answered by one line, "ok",
// "ok VALUE" or "error MESSAGE". Usage: db_test_peer ALIASFILE DATABASE TABLE
//   open | locate FIELD VALUE | edit | insert | set FIELD VALUE | get FIELD |
//   post | cancel | quit
#include <iostream>
#include <sstream>
#include <string>

#include <orv/host/db/session.h>
#include <orv/host/db/table.h>

int main(int argc, char** argv) {
  if (argc != 4) {
    std::cerr << "usage: db_test_peer ALIASFILE DATABASE TABLE\n";
    return 2;
  }
  orv::Session()->LoadAliasFile(argv[1]);
  orv::TComponentPtr<orv::TTable> table(new orv::TTable(nullptr));
  table->SetDatabaseName(argv[2]);
  table->SetTableName(argv[3]);
  std::string line;
  while (std::getline(std::cin, line)) {
    std::istringstream in(line);
    std::string cmd, a, b;
    in >> cmd >> a;
    std::getline(in >> std::ws, b);
    std::string answer = "ok";
    try {
      if (cmd == "open")
        table->Open();
      else if (cmd == "locate")
        answer += table->Locate(a, {orv::TVariant(std::stoll(b))}) ? " found" : " missing";
      else if (cmd == "edit")
        table->Edit();
      else if (cmd == "insert")
        table->Insert();
      else if (cmd == "set")
        table->FieldByName(a)->SetAsString(b);
      else if (cmd == "get")
        answer += " " + table->FieldByName(a)->AsString();
      else if (cmd == "post")
        table->Post();
      else if (cmd == "cancel")
        table->Cancel();
      else if (cmd == "quit")
        break;
      else
        answer = "error unknown command " + cmd;
    } catch (const orv::Exception& e) {
      answer = "error " + e.Message();
    }
    std::cout << answer << std::endl;
  }
  return 0;
}
