#include <orv/design/genpreview.h>

#include <orv/keygen/generator.h>
#include <orv/keygen/genpeek.h>

namespace orv {

std::string TGeneratorPreview::Preview(TComponent& component) {
  auto* g = dynamic_cast<TGenerator*>(&component);
  if (!g)
    throw Exception(std::string("Component ") + component.ClassName() + " is not a TGenerator");
  std::string text = "Next keys of " + g->Name() + " (" + g->TableName() + " of " +
                     g->DataBaseName() + "), none taken:\n";
  try {
    const TKeyPeek peek = PeekKeys(*g, genpreview::kKeys);
    for (const std::string& k : peek.keys) text += k + "\n";
    if (!peek.row_found) text += "(no row yet: the first key starts the counter)\n";
    if (peek.row_claimed) text += "(the row is claimed by a program right now)\n";
  } catch (const std::exception& e) {
    // Said under the generator's line: which table failed is half the answer.
    text += std::string("No preview: ") + e.what() + "\n";
  }
  return text;
}

void genpreview::Register() {
  RegisterPreviewProvider(&TGenerator::StaticClassInfo(),
                          PreviewProviderClass<TGeneratorPreview>());
}

}  // namespace orv
