#pragma once
// The page "Sarvik": the call server must know this PC; its button opens the call server's web pages at the
// address typed on the page "IP Info".
#include <QWidget>

namespace kez::wizard {

class IpInfoPage;

class SarvikPage : public QWidget {
    Q_OBJECT

public:
    explicit SarvikPage(const IpInfoPage& ipInfo);
};

} // namespace kez::wizard
