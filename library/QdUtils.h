// QdUtils: message dialogs with help topics, and the busy-cursor count.
#pragma once

#include "QdUtils/MessageDlg.h"
