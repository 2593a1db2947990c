// Helpers of the providers whose rows are copied into the list control at once (currencies,
// item classes, voucher explanations, unit groups, units, settlement types).
//
// The record-set kinds are one data-driven provider (copied_rows_provider.cc); the unit
// provider reads a unit set instead of a record set and shares these steps with it.
#ifndef GLNAMELIST_PROVIDERS_COPIED_ROWS_PROVIDER_H_
#define GLNAMELIST_PROVIDERS_COPIED_ROWS_PROVIDER_H_

#include <memory>

#include "providers/state.h"

namespace glnamelist::copied {

// The guard of the listings that show only for an empty box: true when a text box is
// attached and the list control reports its text (flag False, untrimmed) as exactly empty.
bool EmptyBoxListing(NameListState& s);

}  // namespace glnamelist::copied

#endif  // GLNAMELIST_PROVIDERS_COPIED_ROWS_PROVIDER_H_
