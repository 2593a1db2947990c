// The record set the platform makes by name ("ADODB.Recordset"): this engine's, unless it is
// opened from a memory stream that a record set of another kind was saved into without its
// bytes (MemoryStream::WriteSavedView): it then becomes a clone of that one, as the saved
// rows would make it anyway, so that a copy of a set answered by a database stays one.
#ifndef GLNAMELIST_RECORDSET_OPENED_RECORDSET_H_
#define GLNAMELIST_RECORDSET_OPENED_RECORDSET_H_

#include "contracts/api.h"
#include "contracts/recordset.h"

namespace glnamelist::recordset {

// A new record set with no rows and no fields, to Open from a stream.
GLNAMELIST_INTERNAL RecordsetPtr NewOpenedRecordset();

}  // namespace glnamelist::recordset

#endif  // GLNAMELIST_RECORDSET_OPENED_RECORDSET_H_
