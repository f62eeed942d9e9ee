#include "totalwords.h"

// Placeholder body until the words of the total are written.
void writeTotalInWords(const TextBox &, TextBox &, const QLocale &) {}
