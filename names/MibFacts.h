// The built-in facts of the common MIB modules, generated from the reference
// facts in tests/data/names by names/builtin/generate_mib_facts.py.
#pragma once

// One object as the generator writes it. labels: "1=up,2=down"; index: the
// INDEX objects of a row separated by blanks, an IMPLIED last one marked "*".
struct TMibFact {
    const char* oid;
    const char* name;
    const char* kind;  // node, scalar, table, row, column, notification
    const char* type;
    const char* textualConvention;
    const char* displayHint;
    const char* labels;
    const char* index;
    const char* description;  // ours, in a sentence or two (mib-descriptions.tsv); empty if none
};

struct TMibFactModule {
    const char* module;
    const TMibFact* facts;
    int count;
};

extern const TMibFactModule mibFactModules[];
extern const int mibFactModuleCount;
