#include <map>
#include <stdexcept>

#include "res/Resources.h"

// The template of the log view's form (101): FrameTemplates.cpp.
void AddFrameTemplates(std::map<int, DialogTemplate>& templates);

namespace {

std::map<int, DialogTemplate> MakeTemplates() {
    std::map<int, DialogTemplate> templates;
    AddFrameTemplates(templates);
    return templates;
}

} // namespace

const DialogTemplate& GetDialogTemplate(int id) {
    static const std::map<int, DialogTemplate> templates = MakeTemplates();
    return templates.at(id);
}
