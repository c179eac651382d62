// RLexer: a small lexer for C-like text. It strips block and line comments and cuts text into tokens
// (identifiers, numbers, quoted strings, operators) returned as RString values in the caller's vector.
// Operators come from one process-wide table, built once at start-up and only read afterwards.
#pragma once

#include "core/types/RString.h"
#include "core/types/RUtilVector.h"

// Fills the operator table with the engine's 49 operators (";" "(" ... "<<=" ">>=" "==" "#"), longest first.
void BuildLexerOperatorTable();
// Replaces the operator table with a copy of operators, sorted longest first. An empty vector leaves no
// operators: every operator character is then skipped.
void SetLexerOperatorTable(const RUtilVector<RString>& operators);

// The text without its block comments (slash-star to star-slash, not nested; an unclosed one runs to the end).
RString StripBlockComments(const RString& text);
// The text without its line comments (two slashes up to, not including, the next line feed).
RString StripLineComments(const RString& text);

// Empties out and appends the tokens of text in order. Words are separated by blanks outside single- or
// double-quoted stretches; returns the number of words (one more than the number of such blanks, empty words
// included), not the number of tokens. A text that is one of out's own elements is read from a copy.
int TokenizeText(const RString& text, RUtilVector<RString>& out);
// Appends the tokens of one word. A token keeps its source text exactly (a quoted string keeps its quotes);
// a character that starts no token is skipped. A word that is one of out's own elements is read from a copy.
void TokenizeWord(const RString& word, RUtilVector<RString>& out);
