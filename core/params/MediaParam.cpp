#include "core/params/MediaParam.h"

MediaParam::~MediaParam() {
  for (MediaControl* control : m_Controls) control->Detach();
}

void MediaParam::NotifyChanged(MediaControl* sender) {
  // A listener may remove itself while it is told; step past it first.
  for (auto it = m_Controls.begin(); it != m_Controls.end();) {
    MediaControl* control = *it++;
    if (control != sender) control->OnChanged(sender);
  }
}
