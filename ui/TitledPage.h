#pragma once
// The options and about pages around their tabs: the product's name and version between two
// pictures above, the contact links and the close button (which asks the host to hide the page)
// below.
#include <string>

#include "platform/vcl/LinkLabel.h"
#include "ui/PageFrame.h"

class QLabel;
class QPushButton;

namespace ui {

class TitledPage : public PageFrame {
public:
    // Components, by their design names.
    QLabel* RxLabel1;
    QPushButton* FermerBtn;
    QLabel *Image1, *Image2;
    vcl::MailtoLabel* zekUrlLabel2; // mail to the author
    vcl::LinkLabel* zekUrlLabel1;   // home page

protected:
    TitledPage(PageHost& host, QWidget* parent);
    // Lays `body` out between the title row and the link row.
    void SetBody(QWidget* body);
    // Texts of the links and the close button, whose hint is the entry `closeHint`.
    void LocaliseFrame(int closeHint);
    // The product's name, version and language in the title.
    void ShowTitle();
};

} // namespace ui
