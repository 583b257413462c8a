# Sourced by tools/run and tools/screenshots: ALSA's null device, the tests'
# playback device, as the default device of the Wine processes started from
# here, through a configuration folder of their own (the user's ALSA setup is
# left alone), so that the audio library prints no errors for want of a sound
# card.
#   use_null_audio_device <folder>   exports XDG_CONFIG_HOME=<folder>
use_null_audio_device() {
  mkdir -p "$1/alsa"
  printf 'pcm.!default { type null }\n' > "$1/alsa/asoundrc"
  export XDG_CONFIG_HOME="$1"
}
