// The descriptive information of a test node: display name, the plug-in's test type and
// parameter texts, and the test procedure in one of its forms (0 none, 1 rich text, 2 plain text,
// 3 HTML, 4 and 5 link forms). It reads and writes the "Info" element:
//
//   <Info>
//     <Type>...</Type> <Parameter>...</Parameter> <Name>...</Name>
//     <Procedure Format="2">plain text</Procedure>            (formats 2, 4, 5)
//     <Procedure Format="1"><![CDATA[{\rtf1 ...}]]></Procedure>  (formats 1 and 3)
//   </Info>
//
// and folds the older "Description" and "Comment" children into the procedure when loading.
#pragma once

#include "velko/typelib/sequence.hpp"

namespace velko {

// A new, empty element info; the object also answers IElementInfo2.
Ref<IElementInfo> CreateElementInfo();

}  // namespace velko
