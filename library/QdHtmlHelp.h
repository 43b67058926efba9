// QdHtmlHelp: help topics of the program's compiled help file.
#pragma once

#include "QdHtmlHelp/HtmlHelp.h"
