// Compiled by the build test with the core library's include path: a widget header must stop it.
#include <QWidget>
