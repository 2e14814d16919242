#include "balloon.h"

#include "app/state/flag.h"
#include "app/state/speak.h"
#include "app/window/services.h"

namespace mail {

void sayInBalloon(const QString& voiceId, const QString& text) {
    services::Talk& talk = services::talk();
    if (voiceId.isEmpty()) {
        flag::state.VoicePath.clear();
    } else {
        speak::state.VoiceId = voiceId;
        talk.PlayCommonVoice();
        flag::state.VoicePath = services::commonVoicePath(voiceId);
    }
    speak::state.TalkText = text;
    if (talk.FukiOpen())
        talk.SetFukiText(text);
    else
        talk.ShowFuki();
}

} // namespace mail
