package quorvane.image;

/** Stands in for the product's class: its constructor marks every field, so overwrites show. */
public class CaptureProperties {
  static final int CONSTRUCTED = 0x5E471E;

  public int minBrightness = CONSTRUCTED;
  public int maxBrightness = CONSTRUCTED;
  public int steppingDeltaBrightness = CONSTRUCTED;
  public int defaultBrightness = CONSTRUCTED;
  public int minContrast = CONSTRUCTED;
  public int maxContrast = CONSTRUCTED;
  public int steppingDeltaContrast = CONSTRUCTED;
  public int defaultContrast = CONSTRUCTED;
}
