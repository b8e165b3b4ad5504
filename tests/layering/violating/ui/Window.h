// A window header, included from below in this deliberately broken tree.
#pragma once
