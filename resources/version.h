// The control's version, shown in its file version resource.
#pragma once
#define VANTRELLE_VERSION_BINARY 1,6,4,0
#define VANTRELLE_VERSION_TEXT "1.6.4.0"
