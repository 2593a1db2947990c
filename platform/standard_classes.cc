// The classes every host gets from the platform.
#include <memory>

#include "contracts/prog_ids.h"
#include "platform/environment.h"
#include "platform/keyed_collection.h"
#include "platform/subclass.h"
#include "platform/text_helper.h"
#include "recordset/memory_stream.h"
#include "recordset/opened_recordset.h"

namespace glnamelist::platform {

void RegisterStandardClasses(ClassRegistry& registry, WindowSystem& windows) {
  registry.Register(progid::kStream, [] { return ObjectPtr(recordset::NewStream()); });
  registry.Register(progid::kRecordset, [] { return ObjectPtr(recordset::NewOpenedRecordset()); });
  registry.Register(progid::kKeyedCollection,
                    [] { return std::make_shared<MapKeyedCollection>(); });
  registry.Register(progid::kTextHelper, [] { return std::make_shared<StandardTextHelper>(); });
  registry.Register(progid::kSubClass,
                    [&windows] { return std::make_shared<WindowSubClass>(windows); });
}

}  // namespace glnamelist::platform
