#pragma once
// The wizard's hand-overs to programs outside it: the call server's Sarvik pages, the release notes, and the
// desktop's system-information, sound, network and volume tools. None of them changes the wizard's state.
#include <QString>

#include <functional>
#include <string_view>

class QBoxLayout;
class QPushButton;

namespace kez::wizard {

// A named button that runs `handler` when clicked.
QPushButton* launcherButton(const char* name, const QString& caption, std::function<void()> handler);
// The four desktop-tool pictures, put into `row` from `position` on.
void addFrameLaunchers(QBoxLayout& row, int position);
// The call server's web pages at `address`; `invalidMessage` instead when it is no IP address.
void launchSarvik(const QString& address, std::string_view invalidMessage);
void showReleaseNotes();

} // namespace kez::wizard
