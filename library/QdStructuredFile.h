// Unit QdStructuredFile: the base of documents that own a text reader and
// writer and write themselves whole to a string or to bytes.
#pragma once

#include "QdStructuredFile/StructuredFile.h"
