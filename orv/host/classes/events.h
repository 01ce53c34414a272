// The event types of the components: each a TClosure whose first argument is
// the sender. Texts passed by reference may be changed by the handler.
#pragma once

#include <string>

#include <orv/host/classes/closure.h>
#include <orv/host/rtl/tmstring.h>

namespace orv {

class TDataSet;

// Supplies the user-procedure characters of a mask (Preff, in and out).
using TGenProcEvent = TClosure<TObject*, TmString&>;
// Stepping ran past a limit; the handler may set the new suffix (ovSuffix).
using TGOverFlowEvent = TClosure<TObject*, TmString&>;
// A new generator row needs its first suffix (nvSuffix).
using TOnNewRecord = TClosure<TObject*, TmString&>;
// A character of a checked text fails: Position counts from 1, TypeS names why.
using TOnErrorMask = TClosure<TObject*, int, const std::string&>;
// The stamper asks for text to add to a stamp (usStamp, in and out).
using TUKBeforeUnKMadeEvent = TClosure<TObject*, std::string&>;
// A dataset event (OnNewRecord, BeforePost, AfterPost).
using TDataSetNotifyEvent = TClosure<TDataSet*>;

}  // namespace orv
