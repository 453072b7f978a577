// What the page script reports for the elements of tests/e2e/pages/elements.html, as the
// engine test (EngineProtectionTest.ThePageScriptReportsTheElementsTheUnitTablesUse) reads
// them on the real page. The popup decision's unit tables feed these, so they judge what a
// page really gives, not made-up texts.
#pragma once

#include "hosts/document_snapshot.h"

namespace zor::fakes::reported {

inline const hosts::ElementInfo kBody{"BODY", "[object HTMLBodyElement]", ""};
inline const hosts::ElementInfo kDiv{"DIV", "[object HTMLDivElement]", ""};
inline const hosts::ElementInfo kButton{"BUTTON", "[object HTMLButtonElement]", ""};
inline const hosts::ElementInfo kSpan{"SPAN", "[object HTMLSpanElement]", ""};
// A link reports the address it points to.
inline const hosts::ElementInfo kLink{"A", "http://127.0.0.1/next", ""};

}  // namespace zor::fakes::reported
