// The plain-text description of a command shown before "Finish": its name,
// when it runs and what it does. Fixed English with CR LF line ends; only the
// weekday and month names are localized.
#ifndef MORVANE_WIZARD_SUMMARY_TEXT_H
#define MORVANE_WIZARD_SUMMARY_TEXT_H

#include <cstddef>
#include "commands/command.h"

// Room for the longest summary: a full name and a full message (or a full
// program path and argument line) with every fixed line around them. The
// stored fields are appended whole, never formatted into a smaller piece.
constexpr size_t SummaryCapacity = 2048;
static_assert(SummaryCapacity > 2 * PathCapacity + MessageCapacity + 300, "the longest summary fits");
static_assert(SummaryCapacity > 4 * PathCapacity + 300, "a summary of a program fits");

// Composes the summary of command into text.
void composeSummaryText(const Command& command, wchar_t (&text)[SummaryCapacity]);

#endif
