// Loads the application's data module from its form file and draws a key
// from its generator, whose @ the module's handler answers.
#include <cstdio>
#include <exception>

#include <orv/host/classes/formfile.h>
#include <orv/keygen/generator.h>
#include <orv/runtime/runtime.h>

#include "ordersmodule.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: orders FORM\n");
    return 2;
  }
  try {
    orv::RegisterRuntimeClasses();                  // generators, stampers, tables...
    orv::RegisterClass<consumer::TOrdersModule>();  // and the module's own class
    orv::TComponentPtr<orv::TComponent> module(orv::LoadFormFromFile(argv[1]));
    auto* gen = dynamic_cast<orv::TGenerator*>(module->FindComponent("Gen1"));
    if (!gen || gen->Disabled()) return 1;
    std::printf("%s\n", gen->Generator().str().c_str());
  } catch (const std::exception& e) {
    std::fprintf(stderr, "orders: %s\n", e.what());
    return 1;
  }
  return 0;
}
