package quorvane.image;

/** Stands in for the product's class without the field defaultContrast. */
public class CaptureProperties {
  public int minBrightness;
  public int maxBrightness;
  public int steppingDeltaBrightness;
  public int defaultBrightness;
  public int minContrast;
  public int maxContrast;
  public int steppingDeltaContrast;
}
