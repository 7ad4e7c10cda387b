// The set maker's model names by model id (factory item 76).
#ifndef BRISKUI_FACTORYMODELNAMES_H
#define BRISKUI_FACTORYMODELNAMES_H

// The model name of `id`, or "NO_Name" for an id without one. Never null;
// the text lives for the process's life.
const char* FactoryModelName(unsigned id);

#endif   // BRISKUI_FACTORYMODELNAMES_H
