// The shared steps with which test elements and containers print themselves through the report
// writer: whether an element is printed at all, whether a text has anything to print, the
// element's heading row, its procedure and its comment. None of them raises: a failing step is
// skipped and the next one runs.
#pragma once

#include "velko/typelib/report.hpp"
#include "velko/typelib/sequence.hpp"

namespace velko {

// Report option bits read here (IReport::ReportOptions): 16 prints only failed elements, 32 only
// elements that name a service record. False when the filter excludes the element or there is no
// result.
Boolean IsElementReported(const Ref<IElementFilter>& filter, const Ref<IResult>& result,
                          Long options);

// Whether a procedure text in `format` (EProcedureFormat) has nothing visible: rich text is
// stripped, HTML converted to text (neither trimmed), link forms are always empty, anything else
// is trimmed of blanks. A text that cannot be reduced counts as empty.
Boolean IsTextEmpty(Long format, const String& text);

// The heading row of an element: name | type cell [| status cell [| "Fail"]]. The status cell
// shows the result's service record when `displayServiceRecord`, else "NA" for a not-applicable
// result. The first form reads DisplayServiceRecord of the thread's shared system options.
void PrintElementHeader(const Ref<IElementInfo>& info, const Ref<IElementFilter>& filter,
                        const Ref<IResult>& result, const Ref<IReport>& report);
void PrintElementHeader(const Ref<IElementInfo>& info, const Ref<IElementFilter>& filter,
                        const Ref<IResult>& result, const Ref<IReport>& report,
                        Boolean displayServiceRecord);

// The procedure as it is stored (rich text and HTML for the writer to render), under the heading
// "Procedure:", unless it is empty.
void PrintProcedure(const Ref<IElementInfo2>& info, const Ref<IReport>& report);
// The procedure reduced to plain text (empty paragraphs folded), under "Procedure:", unless empty.
void PrintProcedureText(const Ref<IElementInfo2>& info, const Ref<IReport>& report);
// The comment under the heading "Comment:", unless it is empty.
void PrintComment(const Ref<IReport>& report, const String& comment);

// A text under a translated heading, with a vertical rule beside the block 560 units inside the
// right edge.
void PrintFramedBlock(const Ref<IReport>& report, const String& headingKey, const String& text);

}  // namespace velko
