// The ten windows besides the main one, as the main window's commands reach them.
#pragma once

namespace pelarin::gui {

class TResform;
class TNewform;
class TMailform;
class TInitform;
class THFsetform;
class TListform;
class TSigform;
class TInputList;
class TSetLog;
class TAlartform;
class TOutboxform;

struct Windows {
  TResform* res = nullptr;
  TNewform* newMessage = nullptr;
  TMailform* mail = nullptr;
  TInitform* init = nullptr;
  THFsetform* hfset = nullptr;
  TListform* list = nullptr;
  TSigform* sig = nullptr;
  TInputList* input = nullptr;
  TSetLog* setLog = nullptr;
  TAlartform* alart = nullptr;
  TOutboxform* outbox = nullptr;  // the upload script, beyond the program's ten
};

}  // namespace pelarin::gui
