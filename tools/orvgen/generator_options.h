// The generator that orvgen's next and session commands work with: their
// shared options and how a generator is built from them, the way a program
// would configure one through its setters.
//
// Threading: the command's main thread.
#pragma once

#include <string>
#include <vector>

#include <orv/host/classes/component.h>
#include <orv/keygen/generator.h>
#include "tools/orvgen/cli.h"

namespace orv::cli {

// --mask, --start, --end, --type and --user.
std::vector<OptionSpec> GeneratorOptionList();

// A generator configured from the options in this order: mask, start value,
// end value (each limit only when given), GeneratorType, DataBaseName and
// TableName (from --db and --table); then InitDB. --user TEXT answers
// GetUserPrefixes with TEXT. Message boxes go to stderr as "CAPTION: TEXT".
// Raises UsageError without --mask; a malformed mask raises its Exception.
TComponentPtr<TGenerator> MakeGenerator(const Options& o);

// The generator's key, or Exception "the generator is disabled" for the
// empty key of a disabled generator.
std::string NextKey(TGenerator& g);

}  // namespace orv::cli
