#pragma once
// The pictures of the wizard's frame launchers: the desktop theme's icon where it has one, else one we draw.
#include <QIcon>

namespace kez::wizard {

enum class LauncherPicture { SystemInformation, Multimedia, Network, Volume };

QIcon launcherIcon(LauncherPicture picture);

} // namespace kez::wizard
