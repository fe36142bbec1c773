#pragma once

// The base that the command-line walk feeds, one parameter at a time.
class CCommandLineInfo {
public:
    CCommandLineInfo() = default;
    CCommandLineInfo(const CCommandLineInfo&) = delete;
    CCommandLineInfo& operator=(const CCommandLineInfo&) = delete;
    virtual ~CCommandLineInfo() = default;

    // `param` is the text after a flag's one-character prefix, or the whole value.
    virtual void ParseParam(const char* param, bool isFlag, bool isLast) = 0;
};
