// The token lexer over any text, with the engine's operator table.
#include "core/text/RLexer.h"
#include "core/types/RString.h"

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    BuildLexerOperatorTable();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    RString text(reinterpret_cast<const char*>(data), (int)size);
    RUtilVector<RString> tokens;
    TokenizeText(text, tokens);
    RUtilVector<RString> pieces;
    TokenizeWord(text, pieces);
    return 0;
}
