// Balanced trees: raw node trees and the typed AVL tree containers.
#pragma once

#include "savkit/avltrees/avl_tree.h"
#include "savkit/avltrees/balanced_tree.h"
