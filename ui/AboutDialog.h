// The About box: the program's icon, its name and version, and "OK".
#pragma once

#include <QDialog>

namespace halcyone {

class AboutDialog : public QDialog {
    Q_OBJECT
public:
    explicit AboutDialog(QWidget* owner);
};

}  // namespace halcyone
