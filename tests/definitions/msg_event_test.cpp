// Message events, levels and their lists: copying of whole trees, captions,
// setters and the code filter. (The hashed lookup and class checks of the
// lists are tested with the core in tests/core.)
#include <gtest/gtest.h>

#include "definitions/msg_event_list.h"
#include "eventmanager/errors.h"
#include "eventmanager/outside/message_codes.h"

namespace {

TMsgEvent* addEvent(TMsgEventList& list, const std::string& name) {
  auto* event = new TMsgEvent(&list);
  event->EventName = name;
  list.Add(event);
  return event;
}

TLevelNode* addLevel(TMsgEvent* event, TLevelNode* parent, uint32_t code, const std::string& report = "") {
  auto* level = new TLevelNode(event, parent);
  level->MsgNodes->AddNode(event->Network(), code, 0);
  level->ReportName = report;
  if (parent)
    parent->AddChild(level);
  else
    event->AddLevel(level);
  return level;
}

}  // namespace

TEST(MsgEvents, NewEventHasItsDefaults) {
  TMsgEventList list;
  TMsgEvent event(&list);
  EXPECT_EQ(event.EventName, "New User Event");
  EXPECT_FALSE(event.HasLevels());
  EXPECT_EQ(event.StartedFlag, 0);
  EXPECT_FALSE(event.HasCurrentLevel());
  EXPECT_EQ(event.Network(), 255);
  EXPECT_EQ(list.Name, "");
  list.SetNetType(3);
  EXPECT_EQ(list.Name, "TD-SCDMA");
}

TEST(MsgEvents, CloningCopiesTheWholeTreeWithNewOwners) {
  TMsgEventList from, to;
  from.SetNetType(2);
  to.SetNetType(2);
  TMsgEvent* source = addEvent(from, "RRC Setup");
  source->StartedFlag = 1;
  TLevelNode* first = addLevel(source, nullptr, rrc::ConnectionRequest);
  TLevelNode* second = addLevel(source, first, rrc::ConnectionSetup, "RRC Connection Setup");
  second->ReasonNum = 7;
  second->DetailFlag = 6;
  second->Expression = "x";
  addLevel(source, second, rrc::RadioBearerSetup, "RRC Connection Complete");

  TMsgEvent* copy = TMsgEvent::CloneEvent(source, &to);
  to.Add(copy);
  ASSERT_EQ(copy->LevelCount(), 1);
  TLevelNode* c1 = copy->Level(0);
  ASSERT_EQ(c1->ChildCount(), 1);
  TLevelNode* c2 = c1->Child(0);
  ASSERT_EQ(c2->ChildCount(), 1);
  TLevelNode* c3 = c2->Child(0);
  EXPECT_NE(c1, first);
  EXPECT_NE(c2, second);
  EXPECT_NE(c1->MsgNodes->Node(0), first->MsgNodes->Node(0));
  for (TLevelNode* l : {c1, c2, c3}) EXPECT_EQ(l->Event(), copy);
  EXPECT_EQ(c2->ParentLevel, c1);
  EXPECT_EQ(c3->ParentLevel, c2);
  EXPECT_EQ(c3->RootLevel(), c1);
  EXPECT_EQ(copy->List(), &to);
  EXPECT_EQ(copy->StartedFlag, 1);
  EXPECT_EQ(c2->ReportName, "RRC Connection Setup");
  EXPECT_EQ(c2->ReasonNum, 7);
  EXPECT_EQ(c2->DetailFlag, 6);
  EXPECT_EQ(c2->Expression, "x");
  EXPECT_EQ(c3->MsgNodes->Node(0)->MessageCode, rrc::RadioBearerSetup);
  EXPECT_EQ(to.FindLevelByReportName("RRC Connection Complete"), c3);
  EXPECT_EQ(to.FindLevelByReportName("rrc connection complete"), nullptr);

  // The source is untouched, and freeing the copy leaves it intact.
  to.Clear();
  EXPECT_EQ(first->ChildCount(), 1);
  EXPECT_EQ(from.FindLevelByReportName("RRC Connection Complete")->ParentLevel, second);

  // A level copy keeps the destination's own children before the copies.
  TLevelNode* other = addLevel(source, nullptr, rrc::SignallingConnectionRelease);
  TLevelNode* own = addLevel(source, other, rrc::RadioBearerRelease);
  other->Assign(first);
  ASSERT_EQ(other->ChildCount(), 2);
  EXPECT_EQ(other->Child(0), own);
  EXPECT_EQ(other->Child(1)->ReportName, "RRC Connection Setup");
  EXPECT_EQ(other->Child(1)->ParentLevel, other);
}

// An editor that copies an item onto itself must neither loop nor lose it.
TEST(MsgEvents, AssigningAnItemToItselfKeepsIt) {
  TMsgEventList list;
  list.SetNetType(0);
  TMsgEvent* event = addEvent(list, "Call Setup");
  TLevelNode* first = addLevel(event, nullptr, rrc::ConnectionRequest, "Start");
  addLevel(event, first, rrc::ConnectionSetup, "Middle");
  addLevel(event, first, rrc::SignallingConnectionRelease, "Other");

  first->Assign(first);
  ASSERT_EQ(first->ChildCount(), 2);
  EXPECT_EQ(first->Child(0)->ReportName, "Middle");
  EXPECT_EQ(first->Child(1)->ReportName, "Other");
  EXPECT_EQ(first->ReportName, "Start");

  event->Assign(event);
  EXPECT_EQ(event->EventName, "Call Setup");
  ASSERT_EQ(event->LevelCount(), 1);
  EXPECT_EQ(event->Level(0), first);
  EXPECT_EQ(list.FindLevelByReportName("Other"), first->Child(1));
}

TEST(MsgEvents, CaptionsAndSetters) {
  TMsgEventList list;
  list.SetNetType(2);
  TMsgEvent* event = addEvent(list, "E");
  auto* top = new TLevelNode(event, nullptr);
  top->MsgNodes->AddNode(2, rrc::ConnectionRequest, 0);
  top->MsgNodes->AddNode(2, rrc::ConnectionReject, 0);
  event->AddLevel(top);
  auto* child = new TLevelNode(event, top);
  child->MsgNodes->AddNode(2, rrc::ConnectionSetup, 0);
  child->MsgNodes->AddNode(2, rrc::SignallingConnectionReleaseIndication, 0);
  top->AddChild(child);
  EXPECT_EQ(top->Caption(), "Level 1");
  EXPECT_EQ(child->Caption(), "Level 2");

  child->MsgNodes->Delete(1);
  child->MsgNodes->Node(0)->SubCode = 16;
  std::string name = child->MsgNodes->Node(0)->MessageName();
  EXPECT_FALSE(name.empty());
  EXPECT_EQ(name.substr(name.size() - 4), "(10)");
  EXPECT_EQ(child->Caption(), name);

  TMsgNode probe;
  probe.NetType = 1;
  probe.MessageCode = cdma::AccessProbeInfo;
  probe.SubCode = 5;
  EXPECT_EQ(probe.MessageName(), "CDMA Access Probe Info(05)");

  child->Modified = false;
  child->SetReportName("  Call Setup  ");
  EXPECT_EQ(child->ReportName, "Call Setup");
  EXPECT_TRUE(child->Modified);
  // The same name again is no change; a correction of its letter case is.
  child->Modified = false;
  child->SetReportName(" Call Setup");
  EXPECT_FALSE(child->Modified);
  child->SetReportName("call end");
  child->Modified = false;
  child->SetReportName("Call End");
  EXPECT_TRUE(child->Modified) << "a change of letter case only was ignored";
  EXPECT_EQ(child->ReportName, "Call End");
  EXPECT_EQ(child->Caption(), "Call End");
  event->Modified = false;
  event->SetStartedFlag(0);
  EXPECT_FALSE(event->Modified);
  event->SetStartedFlag(2);
  EXPECT_TRUE(event->Modified);
}

TEST(MsgEvents, CodeFilterHoldsUsedCodesAndTheFixedOnes) {
  TMsgEventList list;
  list.SetNetType(2);
  TMsgEvent* event = addEvent(list, "Reconfiguration");
  TLevelNode* top = addLevel(event, nullptr, rrc::PhysicalChannelReconfiguration);
  addLevel(event, top, rrc::PhysicalChannelReconfiguration);
  list.RebuildCodeFilter();
  auto low = [](uint32_t code) { return static_cast<int32_t>(code & 0xFFFF); };
  std::vector<int32_t> expected = {low(rrc::ConnectionRequest),
                                   low(rrc::ConnectionReject),
                                   low(rrc::CellChangeOrderFromUtran),
                                   low(rrc::ConnectionSetup),
                                   low(rrc::SignallingConnectionRelease),
                                   low(rrc::SignallingConnectionReleaseIndication),
                                   low(rrc::RadioBearerSetup),
                                   low(rrc::RadioBearerRelease),
                                   low(rrc::PhysicalChannelReconfiguration),
                                   low(rrc::ConnectionRelease)};
  EXPECT_EQ(list.CodeFilter.Values(), expected);
  EXPECT_TRUE(list.Offers(rrc::PhysicalChannelReconfiguration));
  EXPECT_TRUE(list.Offers(cdma::AccessProbeInfo));
  EXPECT_FALSE(list.Offers(rrc::Prefix));
  EXPECT_FALSE(list.Offers(rrc::Prefix | 0x0555));
  list.Clear();
  EXPECT_EQ(list.CodeFilter.Count(), 0);
  EXPECT_TRUE(list.Offers(cdma::AccessProbeInfo));
  EXPECT_FALSE(list.Offers(rrc::PhysicalChannelReconfiguration));
}

TEST(MsgEvents, TreeBindingFollowsTheLevels) {
  struct Node : TTreeNode {
    std::string text;
    void* data = nullptr;
    std::vector<Node*>* all;
    std::string Text() const override { return text; }
    void SetText(const std::string& t) override { text = t; }
    void* Data() const override { return data; }
    void SetData(void* d) override { data = d; }
    void SetImageIndex(int) override {}
    void SetSelectedIndex(int) override {}
    void SetStateIndex(int) override {}
    void DeleteChildren() override {}
    void Delete() override { std::erase(*all, this), delete this; }
  };
  struct Tree : TTreeNodes {
    std::vector<Node*> nodes;
    TTreeNode* AddChildObject(TTreeNode*, const std::string& text, void* data) override {
      auto* n = new Node;
      n->text = text;
      n->data = data;
      n->all = &nodes;
      nodes.push_back(n);
      return n;
    }
    void Clear() override {
      for (Node* n : nodes) delete n;
      nodes.clear();
    }
    ~Tree() override { Clear(); }
  } tree;

  TMsgEventList list;
  list.SetNetType(0);
  TMsgEvent* event = addEvent(list, "Location Update");
  TLevelNode* top = addLevel(event, nullptr, gsm::LocationUpdatingRequest, "LU Request");
  addLevel(event, top, gsm::LocationUpdatingAccept, "LU Accept");
  event->ShowInTree(&tree);
  ASSERT_EQ(tree.nodes.size(), 3u);
  EXPECT_EQ(tree.nodes[0]->text, "Location Update");
  EXPECT_EQ(tree.nodes[1]->text, "LU Request");
  EXPECT_EQ(tree.nodes[2]->data, top->Child(0));
  list.Clear();  // freeing the event removes its nodes from the tree
  EXPECT_TRUE(tree.nodes.empty());
}
