// The kinds of master data a name list offers: the values of GLNameList::NameListType.
#ifndef GLNAMELIST_CONTRACTS_LIST_KINDS_H_
#define GLNAMELIST_CONTRACTS_LIST_KINDS_H_

namespace glnamelist {

enum GLNameListTypes : long {
  nlAccount = 1,
  nlCurrency = 2,
  nlItemClass = 3,
  nlItem = 4,
  nlUnitGroup = 5,
  nlUnit = 6,
  nlVchExp = 7,
  nlSubMes = 8,
  nlAsset = 9,  // stored only: no list of its own
  nlSettleType = 10,
};

}  // namespace glnamelist

#endif  // GLNAMELIST_CONTRACTS_LIST_KINDS_H_
