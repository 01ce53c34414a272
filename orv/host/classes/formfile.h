// Loading and saving form files (forms and data modules) in one call, over
// TReader and TWriter. Texts are the form format (ASCII; strings carry code
// page 1251 bytes as #nnn); files are read and written as they stand.
//
//   TComponentPtr<TComponent> dm(LoadFormFromFile("orders.ofm", nullptr));
//   SaveFormToFile(dm.get(), "orders.ofm");
//
// Errors: EReadError "Line N: ..." for a malformed file, the component's own
// exception for an error it raises while loading, orv::Exception
// "Cannot open file X" / "Cannot write file X" for the file system. A root
// created by a failed load is freed. Not synchronised.
#pragma once

#include <string>

#include <orv/host/classes/component.h>

namespace orv {

// A new root of the class the text names (registered), owned by owner.
TComponent* LoadFormFromString(const std::string& text, TComponent* owner = nullptr);
TComponent* LoadFormFromFile(const std::string& path, TComponent* owner = nullptr);

// Reads the text into an existing root of the class the text names.
void ReadFormFromString(TComponent* root, const std::string& text);
void ReadFormFromFile(TComponent* root, const std::string& path);

// root and everything it holds, as form text.
std::string SaveFormToString(TComponent* root);
void SaveFormToFile(TComponent* root, const std::string& path);

}  // namespace orv
