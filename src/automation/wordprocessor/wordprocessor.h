#pragma once

// The word processor's object model, all of it.

#include "automation/wordprocessor/application.h"
#include "automation/wordprocessor/document.h"
#include "automation/wordprocessor/documents.h"
#include "automation/wordprocessor/range.h"
#include "automation/wordprocessor/selection.h"
#include "automation/wordprocessor/tables.h"
