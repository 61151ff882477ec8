// Everything of the framework's object core in one include: object root and
// run-time classes, archive, lists, string array, exceptions, message boxes.
#pragma once

#include "core/archive.h"
#include "core/exceptions.h"
#include "core/message_box.h"
#include "core/ob_list.h"
#include "core/object.h"
#include "core/position.h"
#include "core/runtime_class.h"
#include "core/string_array.h"
#include "core/string_list.h"
