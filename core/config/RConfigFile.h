// RConfigFile: the program's typed configuration variables, grouped by section, read from and written to
// "Config.ini". Each variable lives in its owner's storage; the configuration keeps a pointer to it with a key,
// a type, a default and an optional change callback, and owns nothing but those records. One instance serves the
// whole program (GetInstance); section and key names are interned without regard to case. Main thread only.
// Numbers may carry a valid range: a value outside it is used as the nearest valid value (a float NaN as the
// default), and a value read that way is written back as the player wrote it for as long as it stands. Lines of
// the file that no variable takes (key lines and notes: comments, lines with no separator) are kept under their
// section in file order, up to kMaxUnknownLines of them, and written back after the section's variables; a
// section that no variable uses is kept too, up to kMaxUnknownSections, one with no lines as its header alone.
#pragma once

#include "core/types/RHashedString.h"
#include "core/types/RMath.h"
#include "core/types/RString.h"
#include "core/types/RUtilVector.h"

#include <cmath>
#include <cstdint>

// Called after every change of a variable's value, and once at registration. A callback that cannot take the
// value it finds applies nothing and calls RConfigFile::Refuse, or puts another value in its place and calls
// RConfigFile::SetBack.
typedef void (*RConfigCallback)();

class RConfigFile {
public:
    enum VariableType : uint32_t { kNoType = 0, kInt = 1, kFloat = 2, kBool = 3, kHashedString = 4, kColor = 5 };

    // The most lines of a file that no variable takes which are kept, and the most sections that no variable
    // uses which are kept (with their lines); more are dropped, with a message.
    static constexpr uint32_t kMaxUnknownLines = 1024;
    static constexpr uint32_t kMaxUnknownSections = 256;
    // The largest settings file read; a larger one is no settings file.
    static constexpr uint32_t kMaxFileBytes = 1024 * 1024;

    // A default, with room for the largest type.
    union DefaultValue {
        int32_t intValue;
        float floatValue;
        bool boolValue;
        uint32_t nameId;
        float color[4];  // red, green, blue, alpha
    };

    struct ConfigVariable {
        RHashedString key;
        uint32_t type;           // one of VariableType; every stored record has a type and a target
        void* target;            // the owner's storage of that type
        DefaultValue defaultValue;
        RConfigCallback callback;  // or null
        double minimum;  // the valid range of an int or float; the whole type's range when none was given
        double maximum;
        bool alsoZero;   // a float whose range lies above 0 that takes 0 as well
        // The text of a value read from outside the range, written back while the value it gave stands.
        RString heldText;
        DefaultValue heldValue;
    };

    // A line of the file that no variable takes, as it is written back: "key: value" for a key line (the
    // parser's cut of long keys and values included; "key:value" where the blank would take the line past the
    // parser's limit), a note as read.
    struct UnknownLine {
        RString text;
    };

    struct ConfigVariableSet {
        RHashedString section;
        RUtilVector<ConfigVariable> variables;  // in registration order
        RUtilVector<UnknownLine> unknownLines;  // in file order
    };

    RConfigFile();

    // The program's configuration, a static object destroyed at exit.
    static RConfigFile& GetInstance();

    // Each appends a record to the section (created when missing; a key registered twice gets two records),
    // stores the default into the target and then calls the callback, when there is one. A null target
    // registers nothing. Ints and floats take an optional valid range, minimum to maximum inclusive; a float
    // without one takes any value but NaN, infinities included. A float whose minimum is above 0 may take 0 as
    // well (alsoZero: a setting's "none" or "automatic"); a value below half the minimum is then used as 0, the
    // nearest valid value.
    void RegisterInt(RHashedString section, RHashedString key, int32_t* target, int32_t defaultValue,
                     RConfigCallback callback, int32_t minimum = INT32_MIN, int32_t maximum = INT32_MAX);
    void RegisterFloat(RHashedString section, RHashedString key, float* target, RConfigCallback callback,
                       float defaultValue, float minimum = -HUGE_VALF, float maximum = HUGE_VALF,
                       bool alsoZero = false);
    void RegisterBool(RHashedString section, RHashedString key, bool* target, bool defaultValue,
                      RConfigCallback callback);
    void RegisterString(RHashedString section, RHashedString key, RHashedString* target, RHashedString defaultValue,
                        RConfigCallback callback);
    void RegisterColor(RHashedString section, RHashedString key, RColor* target, RConfigCallback callback,
                       float red, float green, float blue, float alpha);

    // Sets every variable of the section with this key from text, by its type (int atoi, float atof, bool
    // StringToBool, name interned without regard to case, colour "r,g,b,a" with missing parts 0), calling each
    // callback; the value "def" or "default" (any case) resets instead. True when a variable matched, whether
    // its callback took the value or refused it (GetRefusal). The text form interns the names first; a null
    // section is the empty id's.
    bool SetFromText(const char* section, const char* key, const char* value);
    bool SetFromText(RHashedString section, RHashedString key, const char* value);
    // Copies the default into every variable of the section with this key, calling each callback. True when
    // one matched.
    bool ResetToDefault(RHashedString section, RHashedString key);

    // For a change callback that cannot take the value its variable now holds: the variable gets back the value
    // it had before the change (and the text it was read from), unchanged, with no second callback; reason says
    // why, for GetRefusal. Nothing at registration, where the default stands.
    void Refuse(const char* reason);
    // Why a callback refused the value of the last set (SetFromText, ResetToDefault or a typed setter), never
    // empty after a refusal; empty when every variable took it.
    const RString& GetRefusal() const { return m_refusal; }
    // For a change callback that put another value in its variable in place of the one it found (a setting that
    // goes back to its start from a value it cannot use): reason says why, for GetSetBack. The new value stands
    // like any set value.
    void SetBack(const char* reason);
    // Why a callback put another value in place of the one the last set gave; empty when none did.
    const RString& GetSetBack() const { return m_setBack; }

    // Typed setters: set every variable of the section with this key and type and call its callback. False when
    // none matches (an unregistered key, or one of another type).
    bool SetInt(RHashedString section, RHashedString key, int32_t value);
    bool SetFloat(RHashedString section, RHashedString key, float value);
    bool SetBool(RHashedString section, RHashedString key, bool value);
    bool SetHashedString(RHashedString section, RHashedString key, RHashedString value);
    bool SetColor(RHashedString section, RHashedString key, const RColor& value);

    // Reads the INI file at path, applying each key line with SetFromText (keys before any section go to the
    // empty id's section) and keeping the lines and sections no variable takes. The whole file is read: a zero
    // byte in it is dropped, so the line holding it is kept without it. When no file is there, writes the current
    // values there instead. When something is there that cannot be read (no permission, not a regular file,
    // larger than kMaxFileBytes), says so once on standard error and keeps the current values; Save then never
    // writes over it. True when the file was read, written or so kept.
    bool Load(const char* path);
    // Writes every section in order, every variable in registration order with its current value and then the
    // section's kept lines. The file is replaced only once all of it is written; false when anything failed (the
    // old file then stays). True without writing for the file that Load could not read.
    bool Save(const char* path);
    // That file; empty when Load read or wrote its file.
    const RString& GetUnreadablePath() const { return m_unreadablePath; }
    // What the last Load said on standard error of the lines and sections it dropped past the bounds, naming the
    // file; empty when it dropped none.
    const RString& GetDroppedNote() const { return m_droppedNote; }

    // Console listings: one line per section, "    (Default)" for the empty id; one line per variable of a
    // section with its current value. ListVariables creates a missing section and hands back its id, the id
    // of "(Default)" for the empty id.
    void ListSections(RUtilVector<RString>& out);
    void ListVariables(RHashedString& section, RUtilVector<RString>& out);
    // The section's first variable with this key as ListVariables shows it, "key: value" without the indent;
    // empty for an unregistered key.
    RString DescribeVariable(RHashedString section, RHashedString key);

    // Enumeration by position; the empty id for a position out of range. A missing section is created.
    uint32_t GetSectionCount() const;
    RHashedString GetSectionId(uint32_t index) const;
    uint32_t GetVariableCount(RHashedString section);
    RHashedString GetVariableKey(RHashedString section, uint32_t index);

    // The type and the current value of the section's first variable with this key. An unregistered key, or a
    // getter of another type, gives kNoType, 0, 0.0, false, the empty id or a zero colour; nothing is added.
    uint32_t GetType(RHashedString section, RHashedString key);
    int32_t GetInt(RHashedString section, RHashedString key);
    float GetFloat(RHashedString section, RHashedString key);
    bool GetBool(RHashedString section, RHashedString key);
    RHashedString GetHashedString(RHashedString section, RHashedString key);
    RColor GetColor(RHashedString section, RHashedString key);

private:
    RConfigFile(const RConfigFile&) = delete;
    RConfigFile& operator=(const RConfigFile&) = delete;

    // The section with this id, appended empty when missing.
    ConfigVariableSet& FindSection(RHashedString section);
    // The section's first variable with this key, or null; adds nothing but a missing section.
    const ConfigVariable* FindVariable(RHashedString section, RHashedString key);
    void Register(RHashedString section, RHashedString key, uint32_t type, void* target,
                  const DefaultValue& defaultValue, RConfigCallback callback, double minimum, double maximum,
                  bool alsoZero = false);
    // For every variable of the section with this key, in registration order, for which valueOf(variable,
    // value) gives true: stores the value through the target and calls the callback, putting back the value
    // before when the callback refuses it. True when one matched. A value read from text that the range changed
    // keeps that text as the variable's held text.
    template <typename ValueOf>
    bool SetMatches(RHashedString section, RHashedString key, ValueOf valueOf, const char* text = nullptr);
    bool SetTyped(RHashedString section, RHashedString key, uint32_t type, const DefaultValue& value);
    static void StoreValue(const ConfigVariable& variable, const DefaultValue& value);
    static void ParseValue(uint32_t type, const char* text, DefaultValue& out);
    // Brings a value to the nearest valid one (a NaN float or colour part to its default); true when it changed.
    static bool ClampValue(const ConfigVariable& variable, DefaultValue& value);
    static bool SameValue(uint32_t type, const DefaultValue& a, const DefaultValue& b);
    static DefaultValue CurrentValue(const ConfigVariable& variable);
    // "key: value" of the variable's current value.
    static RString FormatVariable(const ConfigVariable& variable);
    // The section named by text as the file reads it (null for the empty id), or null when none is there yet.
    ConfigVariableSet* FindReadSection(const char* section);
    static void ApplyLine(const char* section, const char* key, const char* value, void* config);
    static void KeepNote(const char* section, const char* line, void* config);
    static void KeepSection(const char* section, void* config);
    // The section named by text as the file reads it, appended when missing and within the bounds; null when it
    // is dropped.
    ConfigVariableSet* KeepReadSection(const char* section);
    // Keeps a line that no variable takes under its section, within the bounds.
    void KeepUnknownLine(const char* section, const char* text);

    RUtilVector<ConfigVariableSet> m_sections;  // in order of first use
    uint32_t m_unknownLines = 0;
    uint32_t m_unknownSections = 0;
    bool m_droppedUnknownLines = false;     // each said once per Load
    bool m_droppedUnknownSections = false;
    RString m_droppedNote;
    RString m_unreadablePath;       // the file Load found but could not read, never written over
    bool m_refused = false;         // raised by Refuse during a callback of SetMatches
    RString m_refusal;              // the reason of the last set's refusal
    RString m_setBack;              // why a callback of the last set put another value in place of the one given
};
