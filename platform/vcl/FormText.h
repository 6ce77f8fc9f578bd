// The text rendering of form files, and conversion between it and the binary format (Filer.h).
//
//   object Form1: TForm1
//     Caption = 'Orders'#13#10'and more'
//     Tag = 7
//     Ratio = 1.5
//     Price = 125000c                  currency x 10,000 ("c"), single "s", date "d"
//     Options = [opFirst, opThird]
//     Session = DataModule1.Session1
//     OnChange = Form1Change           event: the handler's name
//     SQL.Strings = (
//       'select *'
//       'from orders')
//     Params.Data = {
//       0102030405}                    binary: hexadecimal, 32 bytes a line
//     Items = <
//       item
//         Width = 3
//       end>
//     object Session1: TAsaSession     owned components nest
//       Connected = True
//     end
//   end
//
// "inherited" or "inline" replace "object" for components flagged so; "[n]" after the class gives
// the child position. Strings are quoted with ' (doubled inside); characters below a blank and
// characters outside Windows-1252 are written as #<code point>; strings longer than 64 characters
// are cut into pieces joined by "+" on following lines. Bytes 0x80..0xFF inside quotes are
// Windows-1252 characters. Floats are written with the digits that give the same double back (NAN,
// INF, -INF for the specials). Text is written with CR LF line ends; the parser accepts CR LF, LF
// and CR, is case-insensitive for keywords, and reports errors as EReadError
// "<what> on line <n>". Nesting deeper than MaxFilerNesting is refused in both directions.
#pragma once

#include "platform/vcl/Object.h"

#include <string_view>

namespace vcl {

class TComponent;
class TStream;

// Reads one component (with its children) in binary form at the input's position and writes its
// text at the output's position. Raises EReadError for malformed input.
void ObjectBinaryToText(TStream* input, TStream* output);
// Parses one component in text form and writes it in binary form. Raises EReadError with the line.
void ObjectTextToBinary(TStream* input, TStream* output);
// The same with a resource header around the binary form (TStream::WriteComponentRes).
void ObjectResourceToText(TStream* input, TStream* output);
void ObjectTextToResource(TStream* input, TStream* output);

enum TStreamOriginalFormat { sofUnknown, sofBinary, sofText, sofResource };
// What the stream holds at its position (the position is left as it was).
TStreamOriginalFormat TestStreamFormat(TStream* stream);

// A component written as form text (with an ancestor: only what differs from it).
AnsiString WriteComponentText(TComponent* component, TComponent* ancestor = nullptr);
// Reads form data, text or binary (or a form resource), into an existing root, or into a new
// root of the class it names.
TComponent* ReadComponentData(std::string_view data, TComponent* instance);
TOwned<TComponent> ReadComponentData(std::string_view data);

} // namespace vcl
