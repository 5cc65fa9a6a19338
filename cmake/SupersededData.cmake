# Delivered data files that earlier versions delivered with other contents: for each file name,
# the SHA-256 of every earlier delivery. A file in Taku_DATA that is byte for byte one of these
# was never changed by its user and is replaced by the current delivery; any other content is
# the user's and stays as it is.
set(taku_superseded_voice.txt
  # the kana table, row 8 はち
  a6cad23c86644f0b0b3de4c49f1e3eadaa8b6eda3d8dd367a48340a751bb389d
  # the kana table, row 8 ハチ
  56bed944da1482bed9673328f272ad5b7cbeb49614b13b78fff004accca7706d
)
