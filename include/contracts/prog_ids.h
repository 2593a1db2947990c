// The class names (ProgIDs) under which outside objects are registered and created.
#ifndef GLNAMELIST_CONTRACTS_PROG_IDS_H_
#define GLNAMELIST_CONTRACTS_PROG_IDS_H_

namespace glnamelist::progid {

inline constexpr const char* kGLData = "QALTAVGLView.GLData";
inline constexpr const char* kItemSet = "QALTAVGL.ItemSet";
inline constexpr const char* kStream = "ADODB.Stream";
inline constexpr const char* kRecordset = "ADODB.Recordset";
inline constexpr const char* kNameList = "QALNLLib.NameList";
inline constexpr const char* kSubClass = "VOSSUBCLASSLib.SubClass";
inline constexpr const char* kTextHelper = "QALGLNameListLib.TextHelper";
inline constexpr const char* kKeyedCollection = "QALGLNameListLib.KeyedCollection";

}  // namespace glnamelist::progid

#endif  // GLNAMELIST_CONTRACTS_PROG_IDS_H_
