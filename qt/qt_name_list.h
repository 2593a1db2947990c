// The drop-down list control of a Qt host: the keys, selection and choice of
// listkit::NameListBase, shown in a popup under the owner's line edit (list_popup.h) in the
// list font the component passes on.
#ifndef GLNAMELIST_QT_QT_NAME_LIST_H_
#define GLNAMELIST_QT_QT_NAME_LIST_H_

#include <memory>

#include "listkit/list_control_base.h"
#include "qt/list_popup.h"

namespace glnamelist::qt {

class QtNameList : public listkit::NameListBase {
 public:
  explicit QtNameList(std::weak_ptr<listkit::ListForm> form);
  // The popup goes with the list; release the list before the QApplication.
  ~QtNameList() override;

  // The popup, once the list has dropped down; nullptr before.
  ListPopup* Popup() const { return popup_.get(); }

 protected:
  long PageRows() const override { return popup_ ? popup_->PageRows() : 1; }
  void OnShow(bool kept) override;
  void OnHide() override;
  void OnSelect() override;

 private:
  std::unique_ptr<ListPopup> popup_;
};

}  // namespace glnamelist::qt

#endif  // GLNAMELIST_QT_QT_NAME_LIST_H_
