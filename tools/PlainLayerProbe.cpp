// Built only by the layer test: a plain-layer file that names a widget. Its
// build must fail, because the plain layer does not see Qt Widgets.
#include <QWidget>

int plainLayerProbe() { return sizeof(QWidget); }
