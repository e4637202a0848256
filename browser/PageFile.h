// Reads a page file: an XML description of the page that the stand-in browser shows.
//
//   <page width="1200" height="5000" mode="8" ready="300" url="http://site.test/a.html" domain="site.test"
//         title="..." border="0" scrollbars="auto|none" getobject="answer|ignore"
//         background="#RRGGBB" pattern="xy|checker" color="#.." color2="#.." cell="8">
//     <div id="d1" x="10" y="20" width="300" height="200" border="2" borderColor="#000000"
//          background="#FF0000" overflow="scroll|hidden" contentWidth="600" contentHeight="900">
//       <span x="4" y="4" width="200" height="20" textColor="#000000" fontSize="13" font="Tahoma">Text</span>
//     </div>
//     <img src="picture.bmp" x="0" y="300"/>
//     <pagebreak x="30" y="1200" width="600" height="2"/>
//     <iframe name="main" x="0" y="0" width="400" height="300" src="frame.xml"/>  (or an inline <page>)
//     <object id="Vantrelle" classid="clsid:{...}" x="0" y="0" width="800" height="200"/>
//     <script><call>Run2('/scr', #d1)</call></script>
//   </page>
//
// Every element's XML name, in upper case, is its tag name; every attribute is kept for
// getAttribute. The page's width and height are the size of its content (the body); "mode" is
// documentMode (5 makes the body the scroll element); "ready" is the delay in milliseconds after
// which readyState becomes "complete" ("never" for never), "readyValue" the text it then reads.
// Fills: background (one colour), pattern="xy" (red = x mod 256, green = y mod 256,
// blue = x div 256 + 16 * (y div 256), in the element's content coordinates) or pattern="checker".
// Images are 24-bit BMP files, paths relative to the page file. failDraws="4,7" on an element (on
// <page>: its scroll element) makes those calls of DrawToDC, counted from 1, fail.
#pragma once
#include <memory>
#include <string>

#include "browser/PageModel.h"

namespace vt::browser {

// Throws vt::Error naming the file and the fault.
std::shared_ptr<TPage> LoadPageFile(const std::string& path);

}  // namespace vt::browser
