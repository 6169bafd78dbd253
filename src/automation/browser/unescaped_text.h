#pragma once

// Text a stylesheet writes with disable-output-escaping="yes" is markup for
// the page: a browser reading the written page parses it with the rest, so
// "a&amp;nbsp;b" shows a no-break space and "&lt;b&gt;x&lt;/b&gt;" a bold x.
// libxslt keeps such text in its result tree as text marked unescaped; this
// parses it where it stands, as the HTML the written page would hold there.

#include <libxml/tree.h>

namespace quorlex::automation::browser {

// Replaces the content of every element holding unescaped text by the HTML
// parse of that content written out, unescaped text as it is and the rest
// escaped. Elements whose content a browser reads as raw text (script,
// style) keep the text as plain text.
void ParseUnescapedText(xmlDoc* result);

}  // namespace quorlex::automation::browser
