// memtable/FilterCompiler.cpp
//
// Compiling a parsed filter (the filter parser's tree) into TvomFilterNode:
// fields resolved to their place in the records, constants converted once,
// and the common forms (a field against constants, text compares) given
// nodes of their own.
#include <algorithm>

#include "memtable/FilterNodes.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/StringUtils.h"

namespace filter_detail {

namespace {

constexpr const char* SvomUnknownOperator = "Unknown operator (%d)";
constexpr const char* SvomOperatorNotSupported = "Operator not supported (%d).";
constexpr const char* SvomUnknownFieldType = "Unknown fieldtype (%d)";
constexpr const char* SvomClassOutOfRange = "iClass Out of range (%d)";

bool ApplyRelation(TExprOperator op, TVariantRelationship rel) {
  switch (op) {
    case eoEqual:
      return rel == vrEqual;
    case eoNotEqual:
      return rel != vrEqual;
    case eoGreater:
      return rel == vrGreaterThan;
    case eoLess:
      return rel == vrLessThan;
    case eoGreaterOrEqual:
      return rel == vrGreaterThan || rel == vrEqual;
    case eoLessOrEqual:
      return rel == vrLessThan || rel == vrEqual;
    default:
      return false;
  }
}

TVariantRelationship Reverse(TVariantRelationship rel) {
  return rel == vrLessThan ? vrGreaterThan : rel == vrGreaterThan ? vrLessThan : rel;
}

// The relations of its operands under which a comparison `op` holds, one
// bit per TVariantRelationship; with `reversed`, for the operands swapped (a
// field on the right of its constant). Worked out once per node, so that a
// record's test is one shift.
Byte RelationsOf(TExprOperator op, bool reversed) {
  Byte bits = 0;
  for (TVariantRelationship rel : {vrEqual, vrLessThan, vrGreaterThan, vrNotEqual})
    if (ApplyRelation(op, reversed ? Reverse(rel) : rel))
      bits = static_cast<Byte>(bits | (1u << rel));
  return bits;
}

std::unique_ptr<Node> RaiseNode(const char* format, Integer number) {
  auto node = std::make_unique<Node>();
  node->kind = Kind::Raise;
  node->message = Format(format, number);
  return node;
}

std::unique_ptr<Node> CompileArg(const TExprNode* source, std::size_t i, const TvomCommon* store) {
  if (i >= source->Args.size() || !source->Args[i]) {
    auto node = std::make_unique<Node>();
    node->kind = Kind::NoValue;
    return node;
  }
  return Compile(source->Args[i].get(), store);
}

bool IsDirectField(const Node& node) {
  return node.kind == Kind::Field && node.field.reader != Reader::Generic;
}

// How `field` compares with its converted constants; Variant when a numeric
// field meets a constant that does not compare as a Number.
Comparison ComparisonFor(const FieldRef& field, std::vector<Comparand>& comparands) {
  if (field.reader == Reader::Text) {
    for (Comparand& c : comparands) c.text = c.value.AsString();
    return Comparison::Text;
  }
  if (!field.IsNumeric()) return Comparison::Variant;
  for (Comparand& c : comparands)
    if (!NumberOfConstant(c.value, c.number)) return Comparison::Variant;
  return Comparison::Number;
}

std::unique_ptr<Node> CompileConstant(const TExprNode* source) {
  auto node = std::make_unique<Node>();
  if (source->Operator != eoConstant) {
    node->kind = Kind::NoValue;
    return node;
  }
  if (source->Value.IsNull()) {
    node->kind = Kind::Constant;
    node->constant = Null();
    return node;
  }
  switch (source->DataType) {
    case ftSmallint:
    case ftWord:
    case ftInteger:
    case ftAutoInc:
    case ftLargeint:
    case ftFloat:
    case ftCurrency:
    case ftString:
    case ftFixedChar:
    case ftWideString:
    case ftGuid:
    case ftBoolean:
    case ftDate:
    case ftTime:
    case ftDateTime:
    case ftTimeStamp:
    case ftBCD:
    case ftFMTBcd:
      node->kind = Kind::Constant;
      node->constant = source->Value;
      return node;
    default:
      return RaiseNode(SvomUnknownFieldType, source->DataType);
  }
}

std::unique_ptr<Node> CompileUnary(const TExprNode* source, const TvomCommon* store) {
  auto node = std::make_unique<Node>();
  node->op = source->Operator;
  node->args.push_back(CompileArg(source, 0, store));
  switch (source->Operator) {
    case eoIsBlank:
    case eoNotBlank:
      node->boolean = true;
      if (node->args[0]->kind == Kind::Field) {
        node->kind = Kind::IsBlankField;
        node->field = node->args[0]->field;
        node->args.clear();
      } else {
        node->kind = Kind::Unary;
      }
      return node;
    case eoNot:
      node->kind = Kind::Unary;
      node->boolean = node->args[0]->boolean;
      return node;
    case eoMinus:
    case eoUpper:
    case eoLower:
      node->kind = Kind::Unary;
      return node;
    default:
      return RaiseNode(SvomOperatorNotSupported, source->Operator);
  }
}

std::unique_ptr<Node> CompileBinary(const TExprNode* source, const TvomCommon* store) {
  auto node = std::make_unique<Node>();
  node->op = source->Operator;
  node->args.push_back(CompileArg(source, 0, store));
  node->args.push_back(CompileArg(source, 1, store));
  Node& left = *node->args[0];
  Node& right = *node->args[1];
  if (IsComparison(source->Operator)) {
    node->kind = Kind::Compare;
    node->boolean = true;
    node->relations = RelationsOf(source->Operator, false);
    // A field against a constant: convert the constant once.
    Node* fieldSide = IsDirectField(left) ? &left : IsDirectField(right) ? &right : nullptr;
    Node* constSide = fieldSide == &left ? &right : &left;
    Comparand comparand;
    if (fieldSide && constSide->kind == Kind::Constant &&
        ConvertForField(fieldSide->field, constSide->constant, comparand.value)) {
      node->kind = Kind::FieldConstant;
      node->field = fieldSide->field;
      node->comparands.push_back(std::move(comparand));
      node->comparison = ComparisonFor(node->field, node->comparands);
      node->relations = RelationsOf(source->Operator, fieldSide == &right);
      node->args.clear();
    }
    return node;
  }
  switch (source->Operator) {
    case eoAnd:
    case eoOr:
      node->kind = Kind::AndOr;
      node->boolean = true;
      return node;
    case eoAdd:
    case eoSubtract:
    case eoMultiply:
    case eoDivide:
    case eoModulo:
    case eoRemainder:
      node->kind = Kind::Arithmetic;
      return node;
    case eoLike:
      node->kind = Kind::Like;
      node->boolean = true;
      return node;
    case eoIn: {
      node->kind = Kind::In;
      node->boolean = true;
      if (!IsDirectField(left)) return node;
      // A field IN a list of constants.
      std::vector<const Node*> elements;
      if (right.kind == Kind::List) {
        for (const auto& element : right.args) elements.push_back(element.get());
      } else {
        elements.push_back(&right);
      }
      std::vector<Comparand> comparands;
      for (const Node* element : elements) {
        Comparand comparand;
        if (element->kind != Kind::Constant ||
            !ConvertForField(left.field, element->constant, comparand.value))
          return node;
        comparands.push_back(std::move(comparand));
      }
      node->kind = Kind::FieldIn;
      node->field = left.field;
      node->comparison = ComparisonFor(node->field, comparands);
      node->comparands = std::move(comparands);
      node->args.clear();
      return node;
    }
    default:
      return RaiseNode(SvomOperatorNotSupported, source->Operator);
  }
}

// A compare node of a text field with a text constant reads the field's
// bytes, and prepares the constant's side (upper-cased, cut) once instead of
// per record. For = and <> either side may be the field (the test is
// symmetric); for LIKE the constant must be the mask.
void SpecialiseTextCompare(Node& node) {
  Node& left = *node.args[0];
  Node& right = *node.args[1];
  auto isTextField = [](const Node& n) {
    return n.kind == Kind::Field && n.field.reader == Reader::Text;
  };
  Node* fieldSide = isTextField(left)                         ? &left
                    : node.op != eoLike && isTextField(right) ? &right
                                                              : nullptr;
  if (fieldSide == nullptr) return;
  const Node& constSide = fieldSide == &left ? right : left;
  if (constSide.kind != Kind::Constant || constSide.constant.Type() != varString) return;
  node.kind = Kind::FieldTextCompare;
  node.field = fieldSide->field;
  node.comparands.push_back(Comparand{constSide.constant, constSide.constant.AsString(), Number()});
  if (!node.caseInsensitive) {
    // Without case mapping the prepared side never changes.
    node.upperConstant = node.partialLength > 0
                             ? CutCharacters(node.comparands[0].text, node.partialLength)
                             : node.comparands[0].text;
    node.upperReady = true;
  }
  node.args.clear();
}

// Whether evaluating `node` (whose arguments are compiled) may raise.
bool MayRaise(const Node& node) {
  switch (node.kind) {
    case Kind::NoValue:
    case Kind::Constant:
    case Kind::IsBlankField:
      return false;
    case Kind::Field:
      return node.field.reader == Reader::Generic;
    case Kind::FieldConstant:
    case Kind::FieldIn:
      return node.comparison == Comparison::Variant;
    case Kind::FieldTextCompare:
      return node.op == eoLike;  // an invalid mask
    case Kind::AndOr:
      return !node.args[0]->boolean || !node.args[1]->boolean || node.args[0]->mayRaise ||
             node.args[1]->mayRaise;
    case Kind::Unary:
      if (node.op == eoIsBlank || node.op == eoNotBlank || (node.op == eoNot && node.boolean))
        return node.args[0]->mayRaise;
      return true;
    default:
      return true;
  }
}

std::unique_ptr<Node> CompileNode(const TExprNode* source, const TvomCommon* store);

std::unique_ptr<Node> CompileNode(const TExprNode* source, const TvomCommon* store) {
  switch (source->NodeClass) {
    case ncField: {
      if (source->Operator != eoField) return RaiseNode(SvomUnknownOperator, source->Operator);
      auto node = std::make_unique<Node>();
      node->kind = Kind::Field;
      node->field = ResolveField(source->Field, store);
      return node;
    }
    case ncConstant:
      return CompileConstant(source);
    case ncUnary:
      return CompileUnary(source, store);
    case ncBinary:
      return CompileBinary(source, store);
    case ncCompare: {
      if (source->Operator != eoEqual && source->Operator != eoNotEqual &&
          source->Operator != eoLike)
        return RaiseNode(SvomOperatorNotSupported, source->Operator);
      auto node = std::make_unique<Node>();
      node->kind = Kind::TextCompare;
      node->op = source->Operator;
      node->boolean = true;
      node->caseInsensitive = source->CaseInsensitive;
      // Only = and <> compare leading characters; LIKE matches its whole mask.
      node->partialLength = source->Operator == eoLike ? 0 : source->PartialLength;
      node->args.push_back(CompileArg(source, 0, store));
      node->args.push_back(CompileArg(source, 1, store));
      SpecialiseTextCompare(*node);
      return node;
    }
    case ncFunction: {
      auto node = std::make_unique<Node>();
      node->kind = Kind::Function;
      node->functionName = AnsiUpperCase(source->FunctionName);
      node->function = FunctionOf(node->functionName);
      if (!source->Args.empty()) node->args.push_back(Compile(source->Args[0].get(), store));
      return node;
    }
    case ncListElement: {
      if (source->Operator != eoListElement)
        return RaiseNode(SvomOperatorNotSupported, source->Operator);
      auto node = std::make_unique<Node>();
      node->kind = Kind::List;
      for (std::size_t i = 0; i < source->Args.size(); ++i)
        node->args.push_back(CompileArg(source, i, store));
      return node;
    }
    default:
      return RaiseNode(SvomClassOutOfRange, source->NodeClass);
  }
}

}  // namespace

std::unique_ptr<Node> Compile(const TExprNode* source, const TvomCommon* store) {
  std::unique_ptr<Node> node = CompileNode(source, store);
  node->mayRaise = MayRaise(*node);
  return node;
}

}  // namespace filter_detail
