// The switches of the parameter string that a page passes to Run2: the control's interface to
// its pages. The request driver reads every switch through TSwitches, which reads each value
// the way this table says.
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <utility>

namespace vt {

enum TSwitchId { swLog, swScr, swFid, swEff, swCmm, swWs, swSp, swPo, swVs, swVr, swAr, swPb, swPbm, swImgs, swFf,
                 swPs, swHc, swVc, swCr, swHu };

struct TSwitchDef {
  TSwitchId id;
  const char* name;    // with its slash
  const char* values;  // one letter per value position: T text, S strict integer, L lenient integer; "" a flag
};

// Strict values that are not integers raise a ConversionError; lenient ones read their leading
// digits (0 when none). A missing value position reads "0", an absent switch an empty text.
// In the order in which the request driver reads them.
inline constexpr TSwitchDef kSwitchTable[] = {
    // id     name     values    written as                           meaning
    {swLog,  "/log",  ""},       // /log                              show the request log, cleared
    {swScr,  "/scr",  ""},       // /scr                              capture by scrolling and copying the screen
    {swFid,  "/fid",  "T"},      // /fid:<frame path>                 capture that frame's document
    {swEff,  "/eff",  ""},       // /eff                              a frame not found gives no document
    {swCmm,  "/cmm",  "T"},      // /cmm:<answer>                     compatibility view on; "yes" asks first
    {swWs,   "/ws",   "SS"},     // /ws:<width>|<height>              browser window size, 0 keeps one
    {swSp,   "/sp",   "L"},      // /sp:<n>                           0 preview, 1 or 2 print without it
    {swPo,   "/po",   "L"},      // /po:<n>                           0 portrait, 1 landscape, 2 by the picture
    {swVs,   "/vs",   "LL"},     // /vs:<width>|<height>              preview window size, centred
    {swVr,   "/vr",   "LLLL"},   // /vr:<left>|<top>|<width>|<height> preview window place and size
    {swAr,   "/ar",   ""},       // /ar                               preview window fitted to the capture
    {swPb,   "/pb",   ""},       // /pb                               page breaks at PAGEBREAK elements
    {swPbm,  "/pbm",  "TSSTS"},  // /pbm:<breaks>|<step>|<height>|<landscape breaks>|<landscape step>
    {swImgs, "/imgs", "T"},      // /imgs:'<package url>'             button-image package (the URL is trimmed)
    {swFf,   "/ff",   "TT"},     // /ff:'<setting url>'|<user text>   header/footer setting and user text
    {swPs,   "/ps",   "S"},      // /ps:<n>                           fit mode 0 to 3
    {swHc,   "/hc",   ""},       // /hc                               centre the page horizontally on the paper
    {swVc,   "/vc",   ""},       // /vc                               centre the page vertically on the paper
    {swCr,   "/cr",   "SSSS"},   // /cr:<left>|<top>|<right>|<bottom> margins cut off the capture
    {swHu,   "/hu",   "T"},      // /hu:'<url>'                       help page
};

const TSwitchDef& SwitchDef(TSwitchId id);

// The switches of one request's parameter string, read when asked (nothing is parsed ahead).
// Reading a switch in a way the table does not declare is a programming error (std::logic_error).
class TSwitches {
public:
  explicit TSwitches(std::string params) : params_(std::move(params)) {}
  const std::string& Params() const { return params_; }

  // A flag is present.
  bool Has(TSwitchId id) const;
  // Value `position` of a valued switch as written (any kind may be read as text).
  std::string Text(TSwitchId id, int position) const;
  // Value `position` of an S or L position as an integer.
  int32_t Number(TSwitchId id, int position) const;
  // The same, none where Number raises a ConversionError: an absent switch, or a strict value
  // that is no integer. Reading against the table still raises.
  std::optional<int32_t> TryNumber(TSwitchId id, int position) const;

private:
  std::string params_;
};

}  // namespace vt
