#include "Sheet/ProgramNode.h"

#include "Engine/LanguageWords.h"

#include <charconv>

namespace vell {

namespace {

std::string at(std::size_t index) {
    char buffer[24];
    buffer[0] = '@';
    const auto end = std::to_chars(buffer + 1, buffer + sizeof buffer, index).ptr;
    return std::string(buffer, end);
}

std::string expression(const ExprPtr& expr) {
    return expr ? expr->debugDescription() : "-";
}

std::string block(const ProgramBody& body) {
    return "{" + (body ? debugDescription(*body) : std::string()) + "}";
}

struct Describer {
    std::string operator()(const ProgramNode::Line& node) const {
        return "line" + at(node.index) + " \"" + std::string(node.source) + "\"";
    }
    std::string operator()(const ProgramNode::Blank& node) const { return "blank" + at(node.index); }
    std::string operator()(const ProgramNode::Comment& node) const { return "comment" + at(node.index); }
    std::string operator()(const ProgramNode::Invalid& node) const {
        return "invalid" + at(node.index) + " \"" + node.message + "\"";
    }
    std::string operator()(const ProgramNode::IfChain& node) const {
        std::string out(LanguageWords::ifWord);
        for (const ProgramNode::Branch& branch : node.branches)
            out +=
                " [" + at(branch.index) + " " + expression(branch.condition) + " " + block(branch.body) + "]";
        return out;
    }
    std::string operator()(const ProgramNode::ForLoop& node) const {
        return std::string(LanguageWords::forWord) + at(node.index) + " " + node.name + " " +
               expression(node.iterable) + " " + block(node.body);
    }
    std::string operator()(const ProgramNode::WhileLoop& node) const {
        return std::string(LanguageWords::whileWord) + at(node.index) + " " + expression(node.condition) +
               " " + block(node.body);
    }
    std::string operator()(const ProgramNode::Define& node) const {
        std::string params;
        for (const std::string& param : node.params)
            params += (params.empty() ? "" : ",") + param;
        return std::string(LanguageWords::defWord) + at(node.index) + " " + node.name + "(" + params + ") " +
               block(node.body);
    }
    std::string operator()(const ProgramNode::Ret& node) const {
        return std::string(LanguageWords::returnWord) + at(node.index) + " " + expression(node.value);
    }
    std::string operator()(const ProgramNode::BreakLoop& node) const {
        return std::string(LanguageWords::breakWord) + at(node.index);
    }
    std::string operator()(const ProgramNode::ContinueLoop& node) const {
        return std::string(LanguageWords::continueWord) + at(node.index);
    }
};

} // namespace

std::string ProgramNode::debugDescription() const {
    return std::visit(Describer{}, node_);
}

std::string debugDescription(const ProgramNodes& nodes) {
    std::string out;
    for (const ProgramNode& node : nodes) {
        if (!out.empty()) out += "; ";
        out += node.debugDescription();
    }
    return out;
}

} // namespace vell
