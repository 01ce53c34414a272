// Loading and saving form files (forms and data modules) in one call, over
// TReader and TWriter. Texts are the form format in code page 1251; the writer
// writes ASCII (strings carry code page 1251 bytes as #nnn), which reads the
// same under either rule below. A file's bytes are read as FormTextOfFile
// says: UTF-8 when they are UTF-8, else code page 1251.
//
//   TComponentPtr<TComponent> dm(LoadFormFromFile("orders.ofm", nullptr));
//   SaveFormToFile(dm.get(), "orders.ofm");
//
// Errors: EReadError "Line N: ..." for a malformed file, the component's own
// exception for an error it raises while loading, orv::Exception
// "Cannot open file X" / "Cannot write file X: REASON" for the file system. A
// root created by a failed load is freed. A save is whole or not at all: one
// that fails leaves the old file as it was (orv/host/rtl/wholefile.h).
// Not synchronised.
#pragma once

#include <string>
#include <string_view>

#include <orv/host/classes/component.h>

namespace orv {

// The 1251 text of a form file's bytes. Bytes that are valid UTF-8 are UTF-8
// (a leading byte order mark is dropped) and are converted; any others are
// code page 1251 as they stand. Raises EReadError "Line N: ..." for a UTF-8
// character that 1251 cannot hold, and for a file that begins with the UTF-8
// byte order mark but is not UTF-8.
std::string FormTextOfFile(std::string_view bytes);

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
