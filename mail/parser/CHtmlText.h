#pragma once
// The text of an HTML mail, for quoting it in a reply or forward: tags dropped, block
// elements and <br> give line breaks, table cells are set apart by a blank, character
// references decoded, <script>, <style> and <title> skipped, white space collapsed as a
// browser does (but kept inside <pre>). Not a renderer: no layout, no CSS. Stateless.

#include <string>
#include <string_view>

class CHtmlText {
public:
    // UTF-8 in, UTF-8 out, lines ended by CR LF; blanks at line ends and empty lines at the
    // start and the end are removed. A no-break space becomes a blank that is not collapsed.
    static std::string ToText(std::string_view html);
};
