// A core source that reaches up into the windows: the layering check refuses it.
#include "Window.h"
