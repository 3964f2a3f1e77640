#pragma once
// The wizard's own pictures: the icon resources of its pages and the banner
// beside the page area.
#include <QPixmap>

namespace mv::wizard {

// Icon resource `id` of the wizard: 101 welcome, 103 alerts, 104 password,
// 105 finished, 106 programs. An unknown id gives an empty picture.
QPixmap WizardPicture(int id, int size);

// The banner on the left of the wizard window.
QPixmap WizardBanner(int width, int height);

}  // namespace mv::wizard
